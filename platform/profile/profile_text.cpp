#include "platform/profile/profile_text.h"

#include <algorithm>

#include "platform/profile/text_file.h"

namespace platform {
namespace {

using Line = TextLine;

bool NextLine(const std::string& text, std::size_t pos, Line* line) {
  return NextTextLine(text, pos, line);
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Trims white space; a NUL byte (binary files) ends the text, as it would for
// any caller reading it as a C string.
std::string_view Trim(std::string_view s) {
  s = s.substr(0, s.find('\0'));
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view View(const std::string& text, const Line& line) {
  return std::string_view(text).substr(line.begin, line.end - line.begin);
}

// "[name]" with the name between the '[' and the last ']', trimmed.
bool HeaderName(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  std::size_t close = line.rfind(']');
  if (close == std::string_view::npos || close == 0) return false;
  *name = Trim(line.substr(1, close - 1));
  return true;
}

// A "key=value" line, both parts trimmed.
bool SplitEntry(std::string_view line, std::string_view* key, std::string_view* value) {
  line = Trim(line);
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return true;
}

}  // namespace

struct ProfileText::Section {
  std::string_view name;
  std::size_t header;      // first byte of the header line
  std::size_t body;        // first byte after the header line
  std::size_t contentEnd;  // end of the last non-blank body line, line end included
  std::size_t end;         // first byte of the next header, or the end of the text
  bool headerHasLineEnd;
};

std::vector<ProfileText::Section> ProfileText::Sections() const {
  std::vector<Section> sections;
  Line line;
  for (std::size_t pos = 0; NextLine(text_, pos, &line); pos = line.next) {
    std::string_view name;
    if (HeaderName(View(text_, line), &name)) {
      if (!sections.empty()) sections.back().end = line.begin;
      sections.push_back(
          {name, line.begin, line.next, line.next, text_.size(), line.next != line.end});
    } else if (!sections.empty() && !Trim(View(text_, line)).empty()) {
      sections.back().contentEnd = line.next;
    }
  }
  return sections;
}

bool ProfileText::FindValue(std::string_view section, std::string_view key,
                            std::string_view* value) const {
  for (const Section& s : Sections()) {
    if (!SameName(s.name, section)) continue;
    Line line;
    for (std::size_t pos = s.body; pos < s.end && NextLine(text_, pos, &line); pos = line.next) {
      std::string_view k, v;
      if (SplitEntry(View(text_, line), &k, &v) && SameName(k, key)) {
        *value = v;
        return true;
      }
    }
    return false;  // the first section of the name is the only one read
  }
  return false;
}

bool ProfileText::SectionEntries(std::string_view section,
                                 std::vector<std::string>* entries) const {
  entries->clear();
  for (const Section& s : Sections()) {
    if (!SameName(s.name, section)) continue;
    Line line;
    for (std::size_t pos = s.body; pos < s.end && NextLine(text_, pos, &line); pos = line.next) {
      std::string_view text = Trim(View(text_, line));
      if (text.empty() || text.front() == ';') continue;
      std::string_view k, v;
      if (SplitEntry(text, &k, &v))
        entries->push_back(std::string(k) + "=" + std::string(v));
      else
        entries->emplace_back(text);
    }
    return true;
  }
  return false;
}

void ProfileText::ReplaceSection(std::string_view section,
                                 const std::vector<std::string_view>& lines) {
  std::string body;
  for (std::string_view l : lines) {
    body.append(l);
    if (l.empty() || (l.back() != '\n' && l.back() != '\r')) body.append("\r\n");
  }
  std::vector<Section> all = Sections();
  std::vector<const Section*> matches;
  for (const Section& s : all)
    if (SameName(s.name, section)) matches.push_back(&s);

  if (matches.empty()) {
    std::string added;
    if (!text_.empty() && text_.back() != '\n' && text_.back() != '\r') added = "\r\n";
    added.append("[").append(section).append("]\r\n").append(body);
    text_.append(added);
    return;
  }
  // Back to front, so that the earlier offsets stay valid.
  for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
    const Section& s = **it;
    std::string replacement = (*it == matches.front()) ? body : std::string();
    if (!s.headerHasLineEnd && !replacement.empty()) replacement.insert(0, "\r\n");
    text_.replace(s.body, s.contentEnd - s.body, replacement);
  }
}

void ProfileText::RemoveSection(std::string_view section) {
  std::vector<Section> all = Sections();
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (SameName(it->name, section)) text_.erase(it->header, it->end - it->header);
}

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace platform
