// Documents saved as RTF by another program and renamed .doc: our text must
// hold the same words as that program's own text export of the same file
// (committed beside each document as NAME.export.txt), and the stories the
// export leaves out must come after the main text.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/rtf/rtf_test_support.h"
#include "wordfilt/formats/any_format.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DataPath(const std::string& name) {
  return std::string(DOCFLT_SOURCE_DIR) + "/tests/data/rtf/" + name;
}

// Words of UTF-8 text: runs of letters and digits (any byte from 0x80 counts
// as a letter), lower-cased ASCII.
std::map<std::string, int> Words(const std::string& text) {
  std::map<std::string, int> words;
  std::string w;
  for (char ch : text + " ") {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c >= 0x80) {
      w.push_back(static_cast<char>(std::tolower(c)));
    } else if (!w.empty()) {
      ++words[w];
      w.clear();
    }
  }
  words.erase("\xEF\xBB\xBF");  // a byte-order mark alone
  return words;
}

// F1 of the word bags, and the words of `ours` and `theirs` the other lacks.
double WordF1(const std::string& ours, const std::string& theirs, std::string& diff) {
  const std::map<std::string, int> a = Words(ours);
  const std::map<std::string, int> b = Words(theirs);
  int common = 0, na = 0, nb = 0;
  for (const auto& [w, n] : a) {
    na += n;
    const auto it = b.find(w);
    const int m = it == b.end() ? 0 : it->second;
    common += std::min(n, m);
    if (n > m) diff += " +" + w;
  }
  for (const auto& [w, n] : b) {
    nb += n;
    const auto it = a.find(w);
    if (it == a.end() || it->second < n) diff += " -" + w;
  }
  if (na == 0 || nb == 0) return 0;
  const double p = double(common) / na, r = double(common) / nb;
  return common == 0 ? 0 : 2 * p * r / (p + r);
}

struct Case {
  const char* name;
  std::vector<const char*> laterStories;  // texts that follow the main text, in order
  std::vector<std::pair<std::uint32_t, const char*>> properties;
};

class RtfDocuments : public ::testing::TestWithParam<Case> {};

TEST_P(RtfDocuments, MatchTheExportAndKeepTheirStories) {
  const Case& c = GetParam();
  const std::string doc = Slurp(DataPath(std::string(c.name) + ".doc"));
  wordfilt::DocumentText out;
  ASSERT_EQ(wordfilt::ExtractAnyFormat(reinterpret_cast<const std::uint8_t*>(doc.data()),
                                       doc.size(), out),
            wordfilt::LoadStatus::kOk);
  EXPECT_TRUE(rtftest::ChunksTileText(out));
  const std::string text = rtftest::Utf8(out.text);
  // The export holds the main text only: compare it with ours up to the first other story.
  std::size_t mainEnd = out.text.size();
  for (const wordfilt::TextChunk& ch : out.chunks) {
    if (ch.breakType == wordfilt::kBreakChapter) {
      mainEnd = ch.offset;
      break;
    }
  }
  const std::string main = rtftest::Utf8(out.text.substr(0, mainEnd));
  std::string diff;
  const double f1 = WordF1(main, Slurp(DataPath(std::string(c.name) + ".export.txt")), diff);
  // The export writes note numbers where the notes stand, which the main text leaves out.
  EXPECT_GE(f1, 0.97) << "words differing:" << diff << "\n" << text;
  std::size_t at = mainEnd;
  for (const char* story : c.laterStories) {
    const std::size_t found = text.find(story, at);
    EXPECT_NE(found, std::string::npos) << story << " after the main text in\n" << text;
    if (found != std::string::npos) at = found;
  }
  for (const auto& [id, value] : c.properties) {
    const auto p = std::find_if(out.properties.begin(), out.properties.end(),
                                [&](const wordfilt::DocumentProperty& q) { return q.id == id; });
    ASSERT_NE(p, out.properties.end()) << id;
    EXPECT_EQ(rtftest::Utf8(p->value), value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Saved, RtfDocuments,
    ::testing::Values(Case{"harbour",
                           {"Weather records from the lighthouse keeper.",
                            "Port authority internal report", "Prepared for the harbour master"},
                           {{2, "Harbour survey notes"},
                            {3, "Tidal survey"},
                            {4, "Mira Okonkwo"},
                            {5, "harbour"}}},
                      Case{"ledger",
                           {"Check these against the scale receipts",
                            "Changes approved at the March meeting."},
                           {{2, "Orchard ledger"}, {4, "Tomas Brandvold"}}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
