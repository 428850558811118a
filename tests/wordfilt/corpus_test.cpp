// The parser on the shared corpus of real-world files (skipped without it).
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/wordfilt/test_support.h"
#include "wordfilt/doc/compound_streams.h"

namespace wordtest {
namespace {

using wordfilt::LoadStatus;

const std::string kCorpus = std::string(DOCFLT_SHARED_DIR) + "/corpus";

std::vector<std::string> CorpusFiles() {
  std::vector<std::string> names;
  if (DIR* d = opendir((kCorpus + "/docs").c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadFile(const std::string& path, Bytes& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

LoadStatus ExtractFile(const std::string& path, wordfilt::DocumentText& out) {
  Bytes bytes;
  if (!ReadFile(path, bytes)) return LoadStatus::kDamaged;
  return wordfilt::ExtractFromBytes(bytes.data(), bytes.size(), out);
}

#define REQUIRE_CORPUS() \
  if (CorpusFiles().empty()) GTEST_SKIP() << "no corpus at " << kCorpus

TEST(Corpus, EveryFileExtractsOrIsRefusedForItsReason) {
  REQUIRE_CORPUS();
  const std::set<std::string> encrypted = {"poi_password_password_cryptoapi.doc",
                                           "poi_password_tika_binaryrc4.doc",
                                           "tika_testWORD_protected_passtika.doc"};
  // Plain text, JSON, XML, WordPerfect, a workbook, and a compound file whose
  // WordDocument stream is empty.
  const std::set<std::string> notWord = {
      "poi_TestRobert_Flaherty.doc",
      "poi_clusterfuzz-testcase-minimized-POIHWPFFuzzer-5074346559012864.doc",
      "tika_file13_attachANotB.doc",
      "tika_file2_attachANotB.doc",
      "tika_file3_attachBNotA.doc",
      "tika_testWORDML_tableInsideParagraph.doc",
      "tika_testWordPerfect_42.doc"};
  for (const std::string& name : CorpusFiles()) {
    SCOPED_TRACE(name);
    wordfilt::DocumentText out;
    const LoadStatus status = ExtractFile(kCorpus + "/docs/" + name, out);
    if (encrypted.count(name)) {
      EXPECT_EQ(status, LoadStatus::kEncrypted);
    } else if (notWord.count(name)) {
      EXPECT_EQ(status, LoadStatus::kNotWord);
    } else {
      EXPECT_EQ(status, LoadStatus::kOk);
      EXPECT_TRUE(ChunksTileText(out));
    }
  }
}

TEST(Corpus, KnownPhrasesComeOut) {
  REQUIRE_CORPUS();
  struct Case {
    const char* file;
    std::u16string phrase;
  };
  const Case cases[] = {
      // Word 6, Cyrillic through a font's character set
      {"poi_Bug49933.doc",
       u"\u041A\u043E\u043C\u043F\u0430\u043D\u0438\u044F \u0410\u0441\u043A\u0430\u0442"},
      // Word 6 written on a Macintosh
      {"poi_TestInvertedClassID.doc", u"Psychologue et philosophe"},
      {"poi_Word95.doc", u"Has some RED text and some BLUE BOLD text in it."},
      // Word 2: a plain file, not a compound one
      {"poi_word2.doc", u"Mr. Benni Alexander\tNokia Japan Co, Ltd"},
      // stream names in lower and upper case
      {"tika_simple_lower_case.doc", u"This is a sample Word document"},
      {"tika_simple_upper_case.doc", u"This is a sample Word document"},
      // fast-saved Russian file with the table in 0Table
      {"poi_rasp.doc",
       u"\u0420\u0430\u0441\u043F\u043E\u0440\u044F\u0436\u0435\u043D\u0438\u0435 \u043D\u0430 "
       u"\u0432\u044B\u0434\u0430\u0447\u0443"},
      {"poi_simple-table2.doc", u"Row 1/Cell 1\tRow 1/Cell 2\tRow 1/Cell 3\nRow 2/Cell 1"},
      // a hyperlink shows its text, not its instructions
      {"tika_testWORD_boldHyperlink.doc", u"This is a bold hyper  link; bold, I say."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    wordfilt::DocumentText out;
    ASSERT_EQ(ExtractFile(kCorpus + "/docs/" + c.file, out), LoadStatus::kOk);
    EXPECT_NE(out.text.find(c.phrase), std::u16string::npos);
    EXPECT_EQ(out.text.find(u"HYPERLINK"), std::u16string::npos);
  }
}

TEST(Corpus, EachLanguageOfTheMultilingualDocumentHasItsLocale) {
  wordfilt::DocumentText out;
  const std::string path = kCorpus + "/generated/multilang.doc";
  Bytes probe;
  if (!ReadFile(path, probe)) GTEST_SKIP() << "no " << path;
  ASSERT_EQ(ExtractFile(path, out), LoadStatus::kOk);
  const struct {
    std::u16string start;
    std::uint32_t locale;
  } paragraphs[] = {
      {u"English", 0x0409},
      {u"\u0420\u0443\u0441\u0441\u043A\u0438\u0439", 0x0419},
      {u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AE", 0x0408},
      {u"Polski", 0x0415},
      {u"T\u00FCrk\u00E7e", 0x041F},
      {u"\u05E4\u05E1\u05E7\u05D4", 0x040D},
      {u"\u65E5\u672C\u8A9E", 0x0411},
      {u"\u4E2D\u6587", 0x0804},
      {u"\uD55C\uAD6D\uC5B4", 0x0412},
      {u"\u0E22\u0E48\u0E2D", 0x041E},
  };
  for (const auto& p : paragraphs) {
    const std::size_t at = out.text.find(p.start);
    ASSERT_NE(at, std::u16string::npos);
    const auto chunk = std::find_if(out.chunks.begin(), out.chunks.end(), [&](const auto& c) {
      return at >= c.offset && at < c.offset + c.length;
    });
    ASSERT_NE(chunk, out.chunks.end());
    EXPECT_EQ(chunk->locale, p.locale) << "at offset " << at;
  }
}

}  // namespace
}  // namespace wordtest
