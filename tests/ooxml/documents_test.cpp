// Documents saved by another word processor as Word 2007+ and Word 2003 XML,
// checked against that program's own text export of the same files; and the
// public corpus's Word 2003 XML file against its reference text.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "wordfilt/formats/any_format.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Words: runs of letters and digits (non-ASCII characters count as letters
// except general punctuation, U+2000-U+206F: dashes, bullets, quotes).
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> out;
  std::string word;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool punctuation = c == 0xE2 && i + 1 < text.size() &&
                             (static_cast<unsigned char>(text[i + 1]) & 0xFE) == 0x80;
    if (punctuation) i += 2;
    if (!punctuation && (std::isalnum(c) || c >= 0x80)) {
      word.push_back(static_cast<char>(c));
    } else if (!word.empty()) {
      out.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) out.push_back(word);
  // The reference exports start with a byte-order mark.
  if (!out.empty() && out[0].compare(0, 3, "\xEF\xBB\xBF") == 0) out[0].erase(0, 3);
  if (!out.empty() && out[0].empty()) out.erase(out.begin());
  return out;
}

struct Extracted {
  std::string main;  // the main text only
  std::string all;   // with every story
  std::vector<wordfilt::DocumentProperty> properties;
};

Extracted Extract(const fs::path& p) {
  const std::string data = ReadFile(p);
  Extracted e;
  wordfilt::DocumentText out;
  wordfilt::ExtractOptions options;
  EXPECT_EQ(wordfilt::ExtractAnyFormat(reinterpret_cast<const std::uint8_t*>(data.data()),
                                       data.size(), out, options),
            wordfilt::LoadStatus::kOk)
      << p;
  platform::AppendUtf8(out.text, &e.all);
  e.properties = out.properties;
  options.mainTextOnly = true;
  wordfilt::ExtractAnyFormat(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), out,
                             options);
  platform::AppendUtf8(out.text, &e.main);
  return e;
}

// Whether `ours` appears in `ref` in order, allowing words only `ref` has
// (the export glues note numbers to words and writes list placeholders).
bool InOrder(const std::vector<std::string>& ours, const std::vector<std::string>& ref,
             std::string* missing) {
  std::size_t j = 0;
  for (const std::string& w : ours) {
    while (j < ref.size() && ref[j] != w) ++j;
    if (j == ref.size()) {
      *missing = w;
      return false;
    }
    ++j;
  }
  return true;
}

const fs::path kData = fs::path(DOCFLT_SOURCE_DIR) / "tests" / "data" / "ooxml";

TEST(DocumentsTest, MainTextMatchesTheOtherProgramsExport) {
  for (const char* name : {"harbour_docx", "harbour_wordxml", "orchard_docx", "orchard_wordxml"}) {
    SCOPED_TRACE(name);
    const Extracted e = Extract(kData / (std::string(name) + ".doc"));
    const std::vector<std::string> ours = Words(e.main);
    const std::vector<std::string> ref = Words(ReadFile(kData / (std::string(name) + ".txt")));
    std::string missing;
    EXPECT_TRUE(InOrder(ours, ref, &missing)) << "not in the export, or out of order: " << missing;
    // Nearly every word of the export is ours too: only note numbers and
    // list placeholders are the export's own.
    EXPECT_GE(ours.size() * 100, ref.size() * 90) << ours.size() << " of " << ref.size();
  }
}

TEST(DocumentsTest, StoriesListsAndPropertiesOfTheSavedDocuments) {
  for (const char* name : {"harbour_docx", "harbour_wordxml"}) {
    SCOPED_TRACE(name);
    const Extracted e = Extract(kData / (std::string(name) + ".doc"));
    EXPECT_NE(e.all.find("1.Inspect the intake pipe\n2.Calibrate"), std::string::npos);
    EXPECT_NE(e.all.find("a)alpha station\nb)beta station\n"), std::string::npos);
    EXPECT_NE(e.all.find("North\t3.42\tStorm surge\nsecond line\nSouth\t2.87\t\n"),
              std::string::npos);
    EXPECT_NE(e.all.find("Readings were checked against the backup logger."), std::string::npos);
    EXPECT_EQ(e.main.find("backup logger"), std::string::npos);
    std::map<std::uint32_t, std::string> props;
    for (const auto& p : e.properties) platform::AppendUtf8(p.value, &props[p.id]);
    EXPECT_EQ(props[2], "Harbour survey notes");
    EXPECT_EQ(props[4], "Ada Lindqvist");
  }
  // Headers and footers reach Word 2003 XML only through the newer format here.
  const Extracted docx = Extract(kData / "harbour_docx.doc");
  EXPECT_NE(docx.all.find("Quarterly harbour bulletin\nPrepared by the survey office\n"),
            std::string::npos);
  for (const char* name : {"orchard_docx", "orchard_wordxml"}) {
    SCOPED_TRACE(name);
    const Extracted e = Extract(kData / (std::string(name) + ".doc"));
    EXPECT_NE(e.all.find("I.Tailler les branches\nII.Traiter"), std::string::npos);
    EXPECT_NE(e.all.find("\xE2\x80\xA2paniers en osier"), std::string::npos);
    // The comment, the endnote and the text box once each, after the main text.
    const std::size_t end = e.all.find("0,80");
    for (const char* story : {"Check the drought figures.", "Recensement de l'automne dernier.",
                              "Framed remark about grafting."}) {
      const std::size_t at = e.all.find(story);
      EXPECT_NE(at, std::string::npos) << story;
      EXPECT_GT(at, end) << story;
      EXPECT_EQ(e.all.find(story, at + 1), std::string::npos) << story;
    }
  }
}

TEST(DocumentsTest, CorpusWordXmlFileMatchesItsReference) {
  const fs::path corpus = fs::path(DOCFLT_SHARED_DIR) / "corpus";
  const fs::path doc = corpus / "docs" / "tika_testWORDML_tableInsideParagraph.doc";
  const fs::path ref = corpus / "refs" / "body" / "tika_testWORDML_tableInsideParagraph.txt";
  if (!fs::exists(doc) || !fs::exists(ref)) GTEST_SKIP() << "no corpus at " << corpus;
  const Extracted e = Extract(doc);
  std::map<std::string, int> counts;
  const std::vector<std::string> want = Words(ReadFile(ref));
  for (const std::string& w : Words(e.all)) ++counts[w];
  std::size_t found = 0;
  for (const std::string& w : want) {
    if (counts[w]-- > 0) ++found;
  }
  ASSERT_FALSE(want.empty());
  EXPECT_GE(found * 100, want.size() * 98) << found << " of " << want.size();
}

}  // namespace
