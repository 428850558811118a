#include "tests/wordfilt/doc_builder.h"

#include <algorithm>

namespace wordtest {
namespace {

constexpr std::uint32_t kTextStart = 0x400;
constexpr std::uint32_t kPage = 512;

struct FcRun {
  std::uint32_t fcStart;
  std::uint32_t fcEnd;
  Bytes data;  // empty: no properties
};

void PadTo(Bytes& b, std::size_t size) {
  if (b.size() < size) b.resize(size, 0);
}

void Set16(Bytes& b, std::size_t at, std::uint16_t v) {
  PadTo(b, at + 2);
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  Set16(b, at, static_cast<std::uint16_t>(v));
  Set16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// Fills gaps between runs with property-less runs and lays them out on FKP
// pages appended to `doc`. Returns the bin table (FCs, then page numbers).
Bytes WriteFkps(Bytes& doc, std::vector<FcRun> runs, bool papx, bool word6) {
  if (runs.empty()) return {};
  std::sort(runs.begin(), runs.end(),
            [](const FcRun& a, const FcRun& b) { return a.fcStart < b.fcStart; });
  std::vector<FcRun> all;
  for (const FcRun& r : runs) {
    if (!all.empty() && all.back().fcEnd < r.fcStart)
      all.push_back({all.back().fcEnd, r.fcStart, {}});
    all.push_back(r);
  }
  const std::uint32_t entry = papx ? (word6 ? 7 : 13) : 1;
  std::vector<std::uint32_t> fcs;
  std::vector<std::uint32_t> pns;
  std::size_t i = 0;
  while (i < all.size()) {
    PadTo(doc, (doc.size() + kPage - 1) / kPage * kPage);
    const std::size_t base = doc.size();
    doc.resize(base + kPage, 0);
    std::uint32_t top = kPage - 1;
    std::size_t first = i;
    std::vector<std::uint8_t> offsets;
    while (i < all.size()) {
      const Bytes& d = all[i].data;
      std::uint32_t need = 0;
      Bytes blob;
      if (!d.empty()) {
        if (papx) {
          Bytes padded = d;
          if (padded.size() % 2) padded.push_back(0);
          blob.push_back(word6 ? static_cast<std::uint8_t>(padded.size() / 2) : 0);
          if (!word6) blob.push_back(static_cast<std::uint8_t>(padded.size() / 2));
          blob.insert(blob.end(), padded.begin(), padded.end());
        } else {
          blob.push_back(static_cast<std::uint8_t>(d.size()));
          blob.insert(blob.end(), d.begin(), d.end());
        }
        need = static_cast<std::uint32_t>(blob.size());
      }
      const std::uint32_t crun = static_cast<std::uint32_t>(i - first + 1);
      const std::uint32_t pos = need ? ((top - need) & ~1u) : top;
      if (4 * (crun + 1) + entry * crun > pos) break;
      if (need) {
        std::copy(blob.begin(), blob.end(), doc.begin() + static_cast<long>(base + pos));
        top = pos;
      }
      offsets.push_back(need ? static_cast<std::uint8_t>(pos / 2) : 0);
      ++i;
    }
    const std::uint32_t crun = static_cast<std::uint32_t>(i - first);
    for (std::uint32_t k = 0; k < crun; ++k) {
      Set32(doc, base + 4 * k, all[first + k].fcStart);
      doc[base + 4 * (crun + 1) + entry * k] = offsets[k];
    }
    Set32(doc, base + 4 * crun, all[i - 1].fcEnd);
    doc[base + kPage - 1] = static_cast<std::uint8_t>(crun);
    fcs.push_back(all[first].fcStart);
    pns.push_back(static_cast<std::uint32_t>(base / kPage));
  }
  fcs.push_back(all.back().fcEnd);
  Bytes plc;
  for (std::uint32_t fc : fcs) Put32(plc, fc);
  for (std::uint32_t pn : pns) {
    if (word6) {
      Put16(plc, static_cast<std::uint16_t>(pn));
    } else {
      Put32(plc, pn);
    }
  }
  return plc;
}

std::u16string Upper(std::u16string s) {
  for (char16_t& c : s) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  return s;
}

Bytes Word6FontTable(const std::vector<Word6Font>& fonts) {
  Bytes ffn;
  Put16(ffn, 0);
  for (const Word6Font& f : fonts) {
    ffn.push_back(static_cast<std::uint8_t>(5 + f.name.size() + 1));
    ffn.push_back(0);
    Put16(ffn, 400);
    ffn.push_back(f.charset);
    ffn.push_back(0);
    ffn.insert(ffn.end(), f.name.begin(), f.name.end());
    ffn.push_back(0);
  }
  Set16(ffn, 0, static_cast<std::uint16_t>(ffn.size()));
  return ffn;
}

}  // namespace

void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, static_cast<std::uint16_t>(v));
  Put16(b, static_cast<std::uint16_t>(v >> 16));
}

Bytes Sprm(std::uint16_t opcode, std::uint32_t operand, int size) {
  Bytes b;
  Put16(b, opcode);
  for (int i = 0; i < size; ++i) b.push_back(static_cast<std::uint8_t>(operand >> (8 * i)));
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

DocBuilder& DocBuilder::Piece(std::u16string text, bool compressed, Bytes chpx) {
  std::uint32_t cp = 0;
  if (!pieces_.empty())
    cp = pieces_.back().cp + static_cast<std::uint32_t>(pieces_.back().text.size());
  pieces_.push_back(PieceDef{std::move(text), compressed, std::move(chpx), cp, 0});
  return *this;
}

DocBuilder& DocBuilder::Paragraph(std::uint32_t cp, Bytes grpprl, std::uint16_t istd) {
  paragraphs_.push_back(ParaDef{cp, std::move(grpprl), istd});
  return *this;
}

DocBuilder& DocBuilder::Stories(std::uint32_t ccpText, std::uint32_t ccpFtn, std::uint32_t ccpHdd,
                                std::uint32_t ccpAtn, std::uint32_t ccpEdn, std::uint32_t ccpTxbx) {
  const std::uint32_t v[6] = {ccpText, ccpFtn, ccpHdd, ccpAtn, ccpEdn, ccpTxbx};
  std::copy(v, v + 6, ccp_);
  storiesSet_ = true;
  return *this;
}

DocBuilder& DocBuilder::List(std::vector<ListLevelDef> levels) {
  lists_.push_back(std::move(levels));
  return *this;
}

DocBuilder& DocBuilder::ListRestart(std::uint32_t list, std::uint8_t level, std::int32_t startAt) {
  return ListOverride(list, {{level, true, startAt, false, {}}});
}

DocBuilder& DocBuilder::ListOverride(std::uint32_t list, std::vector<OverrideLevelDef> levels) {
  overrides_.push_back(Override{list, std::move(levels)});
  return *this;
}

DocBuilder& DocBuilder::ListLevelFlags(std::uint32_t list, std::uint8_t level, std::uint8_t flags,
                                       std::uint8_t restartLimit, std::int32_t font, Bytes chpx) {
  levelFlags_.push_back(LevelFlags{list, level, flags, restartLimit, font, std::move(chpx)});
  return *this;
}

void DocBuilder::AppendLevel(Bytes& out, const ListLevelDef& l, const LevelFlags* flags) const {
  Bytes chpx;
  if (flags && flags->font >= 0) chpx = Sprm(0x4A4F, static_cast<std::uint32_t>(flags->font), 2);
  if (flags) chpx.insert(chpx.end(), flags->chpx.begin(), flags->chpx.end());
  Bytes lvlf;
  Put32(lvlf, static_cast<std::uint32_t>(l.start));
  lvlf.push_back(l.format);
  lvlf.push_back(flags ? flags->flags : 0);
  Bytes nums(9, 0);
  std::size_t k = 0;
  for (std::size_t c = 0; c < l.text.size() && k < 9; ++c) {
    if (l.text[c] < 9) nums[k++] = static_cast<std::uint8_t>(c + 1);
  }
  lvlf.insert(lvlf.end(), nums.begin(), nums.end());
  lvlf.push_back(l.follow);
  lvlf.resize(28, 0);
  lvlf[24] = static_cast<std::uint8_t>(chpx.size());
  lvlf[26] = flags ? flags->restartLimit : 0;
  out.insert(out.end(), lvlf.begin(), lvlf.end());
  out.insert(out.end(), chpx.begin(), chpx.end());
  Put16(out, static_cast<std::uint16_t>(l.text.size()));
  for (char16_t c : l.text) Put16(out, c);
}

// List definitions, their levels (which go right behind them in the table),
// and the overrides: one plain override per list, then the added ones.
void DocBuilder::BuildLists(Bytes& lst, Bytes& levelData, Bytes& lfo) const {
  Put16(lst, static_cast<std::uint16_t>(lists_.size()));
  for (std::size_t i = 0; i < lists_.size(); ++i) {
    Put32(lst, static_cast<std::uint32_t>(i + 1));  // lsid
    Put32(lst, 0);
    for (int k = 0; k < 9; ++k) Put16(lst, 0x0FFF);
    lst.push_back(lists_[i].size() == 1 ? 1 : 0);  // simple list
    lst.push_back(0);
  }
  for (std::size_t i = 0; i < lists_.size(); ++i) {
    const auto& levels = lists_[i];
    for (std::size_t level = 0; level < (levels.size() == 1 ? 1u : 9u); ++level) {
      const LevelFlags* flags = nullptr;
      for (const LevelFlags& f : levelFlags_) {
        if (f.list == i + 1 && f.level == level) flags = &f;
      }
      AppendLevel(levelData, level < levels.size() ? levels[level] : ListLevelDef{}, flags);
    }
  }
  const std::size_t count = lists_.size() + overrides_.size();
  Put32(lfo, static_cast<std::uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    const bool added = i >= lists_.size();
    Put32(lfo, added ? overrides_[i - lists_.size()].list : static_cast<std::uint32_t>(i + 1));
    Put32(lfo, 0);
    Put32(lfo, 0);
    lfo.push_back(added ? static_cast<std::uint8_t>(overrides_[i - lists_.size()].levels.size())
                        : 0);  // overridden levels
    lfo.push_back(0);
    lfo.push_back(0);
    lfo.push_back(0);
  }
  for (std::size_t i = 0; i < count; ++i) {
    Put32(lfo, 0xFFFFFFFFu);
    if (i < lists_.size()) continue;
    for (const OverrideLevelDef& o : overrides_[i - lists_.size()].levels) {
      Put32(lfo, static_cast<std::uint32_t>(o.start));
      Put32(lfo, o.level | (o.startAt ? 0x10u : 0u) | (o.formatting ? 0x20u : 0u));
      if (o.formatting) AppendLevel(lfo, o.def, nullptr);
    }
  }
}

DocBuilder& DocBuilder::Style(std::uint16_t istd, std::uint16_t base, Bytes chpx) {
  styles_.push_back(StyleDef{istd, base, std::move(chpx)});
  return *this;
}

void DocBuilder::BuildStreams(Bytes& doc, Bytes& table) const {
  doc.assign(kTextStart, 0);
  std::vector<PieceDef> pieces = pieces_;
  // Text, in physical order.
  std::vector<std::size_t> order(pieces.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = reverse_ ? order.size() - 1 - i : i;
  for (std::size_t i : order) {
    PieceDef& p = pieces[i];
    if (!p.compressed && doc.size() % 2) doc.push_back(0);
    p.fc = static_cast<std::uint32_t>(doc.size());
    for (char16_t c : p.text) {
      if (p.compressed) {
        doc.push_back(static_cast<std::uint8_t>(c));
      } else {
        Put16(doc, c);
      }
    }
  }
  const std::uint32_t fcMac = static_cast<std::uint32_t>(doc.size());
  std::uint32_t total = 0;
  for (const PieceDef& p : pieces) total += static_cast<std::uint32_t>(p.text.size());

  auto fcOf = [&](std::uint32_t cp, std::uint32_t* bpc) -> std::uint32_t {
    for (const PieceDef& p : pieces) {
      if (cp >= p.cp && cp < p.cp + p.text.size()) {
        *bpc = p.compressed ? 1 : 2;
        return p.fc + (cp - p.cp) * *bpc;
      }
    }
    *bpc = 1;
    return 0;
  };

  std::vector<FcRun> chpx;
  for (const PieceDef& p : pieces) {
    if (p.chpx.empty() || p.text.empty()) continue;
    const std::uint32_t bytes = static_cast<std::uint32_t>(p.text.size()) * (p.compressed ? 1 : 2);
    chpx.push_back(FcRun{p.fc, p.fc + bytes, p.chpx});
  }
  std::vector<FcRun> papx;
  for (const ParaDef& para : paragraphs_) {
    std::uint32_t bpc = 1;
    const std::uint32_t fc = fcOf(para.cp, &bpc);
    Bytes data;
    Put16(data, para.istd);
    data.insert(data.end(), para.grpprl.begin(), para.grpprl.end());
    papx.push_back(FcRun{fc, fc + bpc, data});
  }
  const Bytes bteChpx = WriteFkps(doc, chpx, false, false);
  const Bytes btePapx = WriteFkps(doc, papx, true, false);

  // Section properties.
  PadTo(doc, (doc.size() + 1) / 2 * 2);
  const std::uint32_t fcSepx = static_cast<std::uint32_t>(doc.size());
  const Bytes sepx = titlePage_ ? Sprm(0x300A, 1, 1) : Bytes();
  Put16(doc, static_cast<std::uint16_t>(sepx.size()));
  doc.insert(doc.end(), sepx.begin(), sepx.end());

  // Table stream.
  table.clear();
  table.resize(16, 0xEE);  // nothing valid starts at 0
  struct Slot {
    int index;
    std::uint32_t fc;
    std::uint32_t lcb;
  };
  std::vector<Slot> slots;
  auto add = [&](int index, const Bytes& data) {
    if (data.empty()) return;
    slots.push_back(Slot{index, static_cast<std::uint32_t>(table.size()),
                         static_cast<std::uint32_t>(data.size())});
    table.insert(table.end(), data.begin(), data.end());
  };
  if (!styles_.empty()) {
    std::uint16_t cstd = 0;
    for (const StyleDef& s : styles_) cstd = std::max<std::uint16_t>(cstd, s.istd + 1);
    Bytes stsh;
    Put16(stsh, 18);
    Put16(stsh, cstd);
    Put16(stsh, 10);
    for (int i = 0; i < 7; ++i) Put16(stsh, 0);
    for (std::uint16_t istd = 0; istd < cstd; ++istd) {
      const StyleDef* def = nullptr;
      for (const StyleDef& s : styles_) {
        if (s.istd == istd) def = &s;
      }
      if (def == nullptr) {
        Put16(stsh, 0);
        continue;
      }
      Bytes std;
      Put16(std, 0);                                                 // sti
      Put16(std, static_cast<std::uint16_t>(1 | (def->base << 4)));  // paragraph style
      Put16(std, static_cast<std::uint16_t>(2 | (istd << 4)));       // two property lists
      Put16(std, 0);
      Put16(std, 0);
      Put16(std, 1);  // name "S"
      Put16(std, u'S');
      Put16(std, 0);
      Put16(std, 2);  // paragraph list: the style's own istd
      Put16(std, istd);
      Put16(std, static_cast<std::uint16_t>(def->chpx.size()));
      std.insert(std.end(), def->chpx.begin(), def->chpx.end());
      if (std.size() % 2) std.push_back(0);
      Put16(stsh, static_cast<std::uint16_t>(std.size()));
      stsh.insert(stsh.end(), std.begin(), std.end());
    }
    add(1, stsh);
  }
  if (hasRawClx_) {
    add(33, rawClx_);
  } else if (!noClx_) {
    Bytes clx;
    clx.push_back(2);
    Put32(clx, static_cast<std::uint32_t>(4 * (pieces.size() + 1) + 8 * pieces.size()));
    for (const PieceDef& p : pieces) Put32(clx, p.cp);
    Put32(clx, total);
    for (const PieceDef& p : pieces) {
      Put16(clx, 0);
      Put32(clx, p.compressed ? (p.fc * 2) | 0x40000000u : p.fc);
      Put16(clx, 0);
    }
    add(33, clx);
  }
  add(12, bteChpx);
  add(13, btePapx);
  auto plc = [](const std::vector<std::uint32_t>& cps) {
    Bytes b;
    for (std::uint32_t cp : cps) Put32(b, cp);
    return b;
  };
  add(3, plc(ftn_));
  add(11, plc(hdd_));
  std::vector<std::uint32_t> sectionCps;
  const std::uint32_t mainText = storiesSet_ ? ccp_[0] : total;
  for (std::uint32_t s = 0; s <= sections_; ++s) sectionCps.push_back(mainText * s / sections_);
  Bytes sed = plc(sectionCps);
  for (std::uint32_t s = 0; s < sections_; ++s) {
    Put16(sed, 0);
    Put32(sed, fcSepx);
    Put16(sed, 0);
    Put32(sed, 0);
  }
  add(6, sed);
  if (!fonts_.empty()) {
    Bytes sttb;
    Put16(sttb, static_cast<std::uint16_t>(fonts_.size()));
    Put16(sttb, 0);
    for (const std::u16string& name : fonts_) {
      Bytes ffn(39, 0);
      ffn[3] = name == u"Symbol" || name == u"Wingdings" || name == u"Webdings" ? 2 : 0;  // charset
      for (char16_t c : name) Put16(ffn, c);
      Put16(ffn, 0);
      sttb.push_back(static_cast<std::uint8_t>(ffn.size()));
      sttb.insert(sttb.end(), ffn.begin(), ffn.end());
    }
    add(15, sttb);
  }
  if (!lists_.empty()) {
    Bytes lst;
    Bytes levels;
    Bytes lfo;
    BuildLists(lst, levels, lfo);
    add(73, lst);
    table.insert(table.end(), levels.begin(), levels.end());
    add(74, lfo);
  }
  Bytes dop(84, 0);
  dop[0] = facingPages_ ? 1 : 0;
  add(31, dop);
  for (const Extra& e : extra_) add(e.index, e.data);  // wins over the defaults above

  // File information block.
  Set16(doc, 0x00, 0xA5EC);
  Set16(doc, 0x02, 0x00C1);
  Set16(doc, 0x06, lid_);
  std::uint16_t flags = 0x1000;  // extended characters
  if (reverse_) flags |= 0x0004;
  if (encrypted_ || obfuscated_) flags |= 0x0100;
  if (!table0_) flags |= 0x0200;
  if (obfuscated_) flags |= 0x8000;
  Set16(doc, 0x0A, flags);
  Set32(doc, 0x18, kTextStart);
  Set32(doc, 0x1C, fcMac);
  Set16(doc, 0x20, 14);
  Set16(doc, 0x3E, 22);
  Set32(doc, 0x40, static_cast<std::uint32_t>(doc.size()));  // cbMac
  const std::uint32_t* ccp = ccp_;
  const std::uint32_t mainOnly[6] = {total, 0, 0, 0, 0, 0};
  if (!storiesSet_) ccp = mainOnly;
  Set32(doc, 0x4C, ccp[0]);
  Set32(doc, 0x50, ccp[1]);
  Set32(doc, 0x54, ccp[2]);
  Set32(doc, 0x5C, ccp[3]);
  Set32(doc, 0x60, ccp[4]);
  Set32(doc, 0x64, ccp[5]);
  Set16(doc, 0x98, 93);
  for (const Slot& s : slots) {
    Set32(doc, 0x9A + 8 * s.index, s.fc);
    Set32(doc, 0x9A + 8 * s.index + 4, s.lcb);
  }
}

wordfilt::MemoryStreams DocBuilder::Build() const {
  Bytes doc;
  Bytes table;
  BuildStreams(doc, table);
  wordfilt::MemoryStreams streams;
  std::u16string docName = u"WordDocument";
  std::u16string tableName = table0_ ? u"0Table" : u"1Table";
  std::u16string otherName = table0_ ? u"1Table" : u"0Table";
  if (upper_) {
    docName = Upper(docName);
    tableName = Upper(tableName);
  }
  streams.Add(docName, doc);
  streams.Add(tableName, table);
  // The other table stream holds junk that must not be read.
  streams.Add(otherName, Bytes(table.size(), 0x02));
  return streams;
}

wordfilt::MemoryStreams BuildWord6(const std::string& text, const std::vector<Word6Font>& fonts,
                                   std::uint16_t runFont, std::uint16_t lid, std::uint16_t ident) {
  Bytes doc(kTextStart, 0);
  doc.insert(doc.end(), text.begin(), text.end());
  const std::uint32_t fcMac = static_cast<std::uint32_t>(doc.size());
  Bytes chpx = {93, static_cast<std::uint8_t>(runFont), static_cast<std::uint8_t>(runFont >> 8)};
  const Bytes bte = WriteFkps(doc, {FcRun{kTextStart, fcMac, chpx}}, false, true);
  const Bytes ffn = Word6FontTable(fonts);
  const std::uint32_t fcBte = static_cast<std::uint32_t>(doc.size());
  doc.insert(doc.end(), bte.begin(), bte.end());
  const std::uint32_t fcFfn = static_cast<std::uint32_t>(doc.size());
  doc.insert(doc.end(), ffn.begin(), ffn.end());

  Set16(doc, 0x00, ident);
  Set16(doc, 0x02, 101);
  Set16(doc, 0x06, lid);
  Set32(doc, 0x18, kTextStart);
  Set32(doc, 0x1C, fcMac);
  Set32(doc, 0x34, static_cast<std::uint32_t>(text.size()));
  Set32(doc, 0xB8, fcBte);
  Set32(doc, 0xBC, static_cast<std::uint32_t>(bte.size()));
  Set32(doc, 0xD0, fcFfn);
  Set32(doc, 0xD4, static_cast<std::uint32_t>(ffn.size()));
  wordfilt::MemoryStreams streams;
  streams.Add(u"WordDocument", doc);
  return streams;
}

}  // namespace wordtest

namespace wordtest {
namespace {

// An ANLV: 16 bytes, its text counts given.
void PutLevel(Bytes& b, const AutoLevelDef& d) {
  b.push_back(d.nfc);
  b.push_back(static_cast<std::uint8_t>(d.before.size()));
  b.push_back(static_cast<std::uint8_t>(d.after.size()));
  b.push_back(d.previous ? 0x04 : 0x00);
  b.push_back(0);
  b.push_back(0);
  Put16(b, d.font);
  Put16(b, 0);  // size
  Put16(b, d.startAt);
  Put16(b, 0);  // indent
  Put16(b, 0);  // space
}

Bytes Word6Sprm(std::uint8_t opcode, const Bytes& operand) {
  Bytes b = {opcode, static_cast<std::uint8_t>(operand.size())};
  b.insert(b.end(), operand.begin(), operand.end());
  return b;
}

void PutText(Bytes& b, const std::string& text, std::size_t size) {
  Bytes t(text.begin(), text.end());
  t.resize(size, 0);
  b.insert(b.end(), t.begin(), t.end());
}

Bytes Word6Styles(const std::vector<Bytes>& styles) {
  Bytes stsh;
  Put16(stsh, 14);  // cbStshi
  Put16(stsh, static_cast<std::uint16_t>(styles.size()));
  Put16(stsh, 8);  // base size of a style
  PadTo(stsh, 16);
  for (const Bytes& papx : styles) {
    Bytes std;
    Put16(std, 0);
    Put16(std, 0xFFF1);  // a paragraph style based on none
    Put16(std, 2);       // two property lists
    Put16(std, 0);
    std.insert(std.end(), {1, 'S', 0});  // its name
    if (std.size() % 2) std.push_back(0);
    Put16(std, static_cast<std::uint16_t>(papx.size() + 2));
    Put16(std, 0);
    std.insert(std.end(), papx.begin(), papx.end());
    if (std.size() % 2) std.push_back(0);
    Put16(std, 0);  // no character properties
    Put16(stsh, static_cast<std::uint16_t>(std.size()));
    stsh.insert(stsh.end(), std.begin(), std.end());
  }
  return stsh;
}

// Appends `data` to the stream as the structure of FIB pair `index`.
void PutStructure(Bytes& doc, int index, const Bytes& data) {
  if (data.empty()) return;
  const std::size_t at = 0x58 + 8 * static_cast<std::size_t>(index);
  Set32(doc, at, static_cast<std::uint32_t>(doc.size()));
  Set32(doc, at + 4, static_cast<std::uint32_t>(data.size()));
  doc.insert(doc.end(), data.begin(), data.end());
}

// The section table; each section's property list goes in the stream first.
Bytes Word6Sections(Bytes& doc, const Word6Doc& d, const std::vector<std::uint32_t>& paraEnds) {
  Bytes cps = {0, 0, 0, 0};
  Bytes seds;
  std::size_t para = 0;
  for (const Word6Section& s : d.sections) {
    para = std::min(para + s.paragraphs, paraEnds.size());
    Put32(cps, para == 0 ? 0 : paraEnds[para - 1]);
    const std::uint32_t fcSepx = static_cast<std::uint32_t>(doc.size());
    Put16(doc, static_cast<std::uint16_t>(s.sprms.size()));
    doc.insert(doc.end(), s.sprms.begin(), s.sprms.end());
    Put16(seds, 0);
    Put32(seds, fcSepx);
    Put16(seds, 0);
    Put32(seds, 0xFFFFFFFFu);
  }
  cps.insert(cps.end(), seds.begin(), seds.end());
  return cps;
}

}  // namespace

Bytes AutoLevelSprm(std::uint8_t level) { return {13, level}; }

Bytes AutoDescriptionSprm(const AutoLevelDef& def) {
  Bytes b;
  PutLevel(b, def);
  b.insert(b.end(), {0, 0, 0, 0});
  PutText(b, def.before + def.after, 32);
  return Word6Sprm(12, b);
}

Bytes OutlineSprm(const std::vector<AutoLevelDef>& levels, bool restartEachSection) {
  Bytes b;
  std::string text;
  for (std::size_t k = 0; k < 9; ++k) {
    const AutoLevelDef d = k < levels.size() ? levels[k] : AutoLevelDef();
    PutLevel(b, d);
    text += d.before + d.after;
  }
  b.insert(b.end(), {static_cast<std::uint8_t>(restartEachSection ? 1 : 0), 0, 0, 0});
  PutText(b, text, 64);
  return Word6Sprm(133, b);
}

Bytes Word6Stream(const Word6Doc& d) {
  Bytes doc(kTextStart, 0);
  std::vector<FcRun> chpx;
  std::vector<FcRun> papx;
  std::vector<std::uint32_t> paraEnds;
  const Bytes font = {93, 0, 0};
  for (const Word6Paragraph& p : d.paragraphs) {
    const std::uint32_t start = static_cast<std::uint32_t>(doc.size());
    doc.insert(doc.end(), p.text.begin(), p.text.end());
    doc.push_back('\r');
    const std::uint32_t end = static_cast<std::uint32_t>(doc.size());
    chpx.push_back({start, end - 1, font});
    chpx.push_back({end - 1, end, p.hiddenMark ? Cat({font, Bytes{92, 1}}) : font});
    Bytes data;
    Put16(data, p.istd);
    data.insert(data.end(), p.grpprl.begin(), p.grpprl.end());
    papx.push_back({start, end, data});
    paraEnds.push_back(end - kTextStart);
  }
  const std::uint32_t fcMac = static_cast<std::uint32_t>(doc.size());
  chpx.erase(
      std::remove_if(chpx.begin(), chpx.end(), [](const FcRun& r) { return r.fcStart == r.fcEnd; }),
      chpx.end());
  const Bytes bteChpx = WriteFkps(doc, chpx, false, true);
  const Bytes btePapx = WriteFkps(doc, papx, true, true);
  PadTo(doc, 0x160);
  const Bytes sed = d.sections.empty() ? Bytes() : Word6Sections(doc, d, paraEnds);
  PutStructure(doc, 1, d.styles.empty() ? Bytes() : Word6Styles(d.styles));
  PutStructure(doc, 6, sed);
  PutStructure(doc, 12, bteChpx);
  PutStructure(doc, 13, btePapx);
  PutStructure(doc, 15, Word6FontTable(d.fonts));
  Set16(doc, 0x00, 0xA5DC);
  Set16(doc, 0x02, 101);
  Set16(doc, 0x06, 0x0409);
  Set32(doc, 0x18, kTextStart);
  Set32(doc, 0x1C, fcMac);
  Set32(doc, 0x34, fcMac - kTextStart);
  return doc;
}

wordfilt::MemoryStreams BuildWord6(const Word6Doc& d) {
  wordfilt::MemoryStreams streams;
  streams.Add(u"WordDocument", Word6Stream(d));
  return streams;
}

}  // namespace wordtest
