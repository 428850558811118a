#include "wordfilt/rtf/rtf_output.h"

#include <string_view>

namespace wordfilt {
namespace {

constexpr std::uint16_t kNoProofing = 0x0400;
constexpr std::uint32_t kFirstProperty = 2;
constexpr std::size_t kMaxProperty = 4096;

bool Unset(std::uint16_t lid) { return lid == 0 || lid == kNoProofing; }

bool OnlySpace(std::u16string_view text) {
  for (char16_t c : text) {
    if (c != u'\n' && c != u'\t' && c != u' ' && c != 0xA0) return false;
  }
  return true;
}

std::u16string Trimmed(const std::u16string& s) {
  std::size_t from = 0;
  std::size_t to = s.size();
  while (from < to && (s[from] == u' ' || s[from] == u'\t')) ++from;
  while (to > from && (s[to - 1] == u' ' || s[to - 1] == u'\t')) --to;
  return s.substr(from, to - from);
}

}  // namespace

RtfOutput::RtfOutput(DocumentText& out, const ExtractOptions& options)
    : out_(out), options_(options) {
  stories_.emplace_back();
  stories_[0].kind = RtfStoryKind::kMain;
}

void RtfOutput::SetDefaultLanguages(const RtfLanguages& langs) {
  if (langs == defaults_) return;
  defaults_ = langs;
  known_ = 0;
}

void RtfOutput::SetLanguages(const RtfLanguages& langs) {
  if (langs == langs_) return;
  langs_ = langs;
  known_ = 0;
}

ChunkWriter& RtfOutput::Main() {
  if (!main_) {
    const std::uint16_t lid = Unset(defaults_.western) ? 0x0409 : defaults_.western;
    main_.emplace(out_, options_.chunkChars, lid);
  }
  return *main_;
}

std::uint16_t RtfOutput::LanguageOf(Script s) const {
  const std::uint16_t western = Unset(langs_.western)
                                    ? (Unset(defaults_.western) ? 0x0409 : defaults_.western)
                                    : langs_.western;
  std::uint16_t lid = western;
  if (IsEastAsian(s)) {
    lid = Unset(langs_.eastAsian) ? defaults_.eastAsian : langs_.eastAsian;
  } else if (IsComplex(s)) {
    lid = Unset(langs_.complex) ? defaults_.complex : langs_.complex;
  }
  if (!Unset(lid) && LanguageFitsScript(lid, s)) return lid;
  // The text is labelled with a language whose code page cannot hold it (or
  // with none): name one that can, so that a host can convert it.
  const std::uint16_t guess = LanguageForScript(s, defaults_.eastAsian);
  if (guess != 0) return guess;
  return Unset(lid) ? western : lid;
}

std::uint32_t RtfOutput::LocaleOf(char16_t c) {
  Script s;
  if (c < 0x80) {
    const char16_t lower = c | 0x20;
    if (lower < u'a' || lower > u'z') return 0;
    s = Script::kLatin;
  } else {
    s = ClassifyChar(c);
    if (s == Script::kNeutral) return 0;
  }
  const auto k = static_cast<std::size_t>(s);
  const std::uint32_t bit = std::uint32_t{1} << k;
  if ((known_ & bit) == 0) {
    lcids_[k] = LanguageOf(s);
    known_ |= bit;
  }
  return lcids_[k];
}

std::uint32_t RtfOutput::BeginStory(RtfStoryKind kind) {
  if (options_.mainTextOnly) return kNoStory;
  stories_.emplace_back();
  stories_.back().kind = kind;
  return static_cast<std::uint32_t>(stories_.size() - 1);
}

void RtfOutput::SetStoryKind(std::uint32_t story, RtfStoryKind kind) {
  if (story != kMainStory && story < stories_.size()) stories_[story].kind = kind;
}

void RtfOutput::SetLabel(std::uint32_t story, std::u16string label) {
  if (story != kMainStory && story < stories_.size()) stories_[story].label = std::move(label);
}

const std::u16string& RtfOutput::Label(std::uint32_t story) const {
  static const std::u16string kNone;
  return story < stories_.size() ? stories_[story].label : kNone;
}

RtfStoryKind RtfOutput::Kind(std::uint32_t story) const {
  return story < stories_.size() ? stories_[story].kind : RtfStoryKind::kMain;
}

void RtfOutput::EndStory(std::uint32_t story) {
  if (story == kMainStory || story >= stories_.size()) return;
  Story& s = stories_[story];
  FlushTab(story);
  bool drop = OnlySpace(s.text);
  if (!drop && s.kind == RtfStoryKind::kHeader) drop = !headers_.insert(s.text).second;
  if (!drop) return;
  if (story + 1 == stories_.size()) {
    stories_.pop_back();
  } else {
    s.dropped = true;
    std::u16string().swap(s.text);
    s.locales.clear();
  }
}

void RtfOutput::Append(std::uint32_t story, char16_t c, std::uint32_t lcid) {
  const std::uint32_t current = story == kMainStory ? mainLocale_ : stories_[story].locale;
  if (lcid != 0 && lcid != current) SwitchLocale(story, lcid);
  if (story == kMainStory) {
    Main().Put(c);
  } else {
    stories_[story].text.push_back(c);
  }
}

void RtfOutput::FlushTab(std::uint32_t story) {
  bool& pending = story == kMainStory ? mainPendingTab_ : stories_[story].pendingTab;
  if (!pending) return;
  pending = false;
  Append(story, u'\t', 0);
}

void RtfOutput::Put(std::uint32_t story, char16_t c) {
  if (story >= stories_.size()) return;
  FlushTab(story);
  Append(story, c, LocaleOf(c));
}

void RtfOutput::SwitchLocale(std::uint32_t story, std::uint32_t lcid) {
  if (story == kMainStory) {
    Main().SetLocale(lcid);
    mainLocale_ = lcid;
    return;
  }
  Story& s = stories_[story];
  s.locales.emplace_back(static_cast<std::uint32_t>(s.text.size()), lcid);
  s.locale = lcid;
}

void RtfOutput::AppendRun(std::uint32_t story, const char16_t* text, std::size_t n) {
  if (n == 0) return;
  if (story == kMainStory) {
    Main().Put(std::u16string_view(text, n));
  } else {
    stories_[story].text.append(text, n);
  }
}

void RtfOutput::PutRun(std::uint32_t story, const char16_t* text, std::size_t n) {
  if (story >= stories_.size() || n == 0) return;
  FlushTab(story);
  std::uint32_t current = story == kMainStory ? mainLocale_ : stories_[story].locale;
  // ASCII, most of any text, needs no look while its letters keep the locale.
  const std::uint32_t latin = LocaleOf(u'a');
  bool asciiFits = latin == current;
  std::size_t from = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    // Spaces, digits and punctuation take the language around them.
    if (c < 0x80 && (asciiFits || static_cast<char16_t>((c | 0x20) - u'a') >= 26)) continue;
    const std::uint32_t lcid = LocaleOf(c);
    if (lcid == 0 || lcid == current) continue;
    AppendRun(story, text + from, i - from);
    SwitchLocale(story, lcid);
    current = lcid;
    asciiFits = latin == current;
    from = i;
  }
  AppendRun(story, text + from, n - from);
}

void RtfOutput::Paragraph(std::uint32_t story) {
  if (story >= stories_.size()) return;
  FlushTab(story);
  Append(story, u'\n', 0);
}

void RtfOutput::Cell(std::uint32_t story) {
  if (story >= stories_.size()) return;
  FlushTab(story);
  (story == kMainStory ? mainPendingTab_ : stories_[story].pendingTab) = true;
}

void RtfOutput::Row(std::uint32_t story) {
  if (story >= stories_.size()) return;
  // The row's last cell gave a tab: the row's end takes its place.
  (story == kMainStory ? mainPendingTab_ : stories_[story].pendingTab) = false;
  Append(story, u'\n', 0);
}

void RtfOutput::BeginProperty(std::uint32_t id) {
  if (id - kFirstProperty < properties_.size()) properties_[id - kFirstProperty].clear();
}

void RtfOutput::PutProperty(std::uint32_t id, char16_t c) {
  if (id - kFirstProperty >= properties_.size()) return;
  std::u16string& p = properties_[id - kFirstProperty];
  if (p.size() < kMaxProperty) p.push_back(c);
}

void RtfOutput::Finish() {
  FlushTab(kMainStory);
  ChunkWriter& w = Main();
  w.EndStory();
  static constexpr RtfStoryKind kOrder[] = {RtfStoryKind::kFootnote, RtfStoryKind::kHeader,
                                            RtfStoryKind::kComment, RtfStoryKind::kEndnote,
                                            RtfStoryKind::kTextBox};
  for (RtfStoryKind kind : kOrder) {
    for (std::size_t i = 1; i < stories_.size(); ++i) {
      Story& s = stories_[i];
      if (s.kind != kind || s.dropped) continue;
      if (s.pendingTab) s.text.push_back(u'\t');
      if (OnlySpace(s.text)) continue;
      w.BeginStory();
      const std::u16string_view text(s.text);
      std::size_t at = 0;
      for (const auto& change : s.locales) {
        w.Put(text.substr(at, change.first - at));
        w.SetLocale(change.second);
        at = change.first;
      }
      w.Put(text.substr(at));
      w.EndStory();
      std::u16string().swap(s.text);
    }
  }
  w.Finish();
  if (!options_.properties) return;
  for (std::size_t i = 0; i < properties_.size(); ++i) {
    std::u16string value = Trimmed(properties_[i]);
    if (value.empty()) continue;
    DocumentProperty p;
    p.id = static_cast<std::uint32_t>(kFirstProperty + i);
    p.value = std::move(value);
    out_.properties.push_back(std::move(p));
  }
}

}  // namespace wordfilt
