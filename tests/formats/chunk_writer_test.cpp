// The chunk writer the readers of other formats share: languages of chunks.
#include "wordfilt/chunks/chunk_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/formats/format_test_support.h"

namespace formattest {
namespace {

using wordfilt::ChunkWriter;
using wordfilt::DocumentText;

std::string Locales(const DocumentText& doc) {
  std::string out;
  for (std::size_t i = 0; i < doc.chunks.size(); ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X:", doc.chunks[i].locale);
    out += buf + Utf8(doc.ChunkText(i)) + "|";
  }
  return out;
}

TEST(ChunkWriterTest, LettersAnEnglishLabelCannotHoldGetAFittingLanguage) {
  DocumentText doc;
  ChunkWriter writer(doc);
  writer.BeginStory();
  writer.Put(u"abc \u041F\u0440\u0438\u0432\u0435\u0442 12 \u03B1\u03B2 \u65E5\u672C\u3067 x");
  writer.EndStory();
  writer.Finish();
  EXPECT_EQ(Locales(doc),
            "0409:abc |0419:\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 12 |"
            "0408:\xCE\xB1\xCE\xB2 |0804:\xE6\x97\xA5\xE6\x9C\xAC|0411:\xE3\x81\xA7 |"
            "0409:x\n|");
  EXPECT_TRUE(ChunksTileText(doc));
}

TEST(ChunkWriterTest, LanguagesThatFitAreKept) {
  DocumentText doc;
  ChunkWriter writer(doc);
  writer.BeginStory();
  writer.SetLocale(0x0422);  // Ukrainian: Cyrillic and ASCII letters both fit
  writer.Put(u"\u0421\u043B\u0430\u0432\u0430 USB ");
  writer.SetLocale(0x040C);  // French, said so: a new chunk though Latin fits both
  writer.Put(u"oui");
  writer.SetLocale(0x0411);  // Japanese: Han fits, so no guess
  writer.Put(u"\u65E5");
  writer.EndStory();
  writer.Finish();
  EXPECT_EQ(Locales(doc),
            "0422:\xD0\xA1\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0 USB |040C:oui|0411:\xE6\x97\xA5\n|");
}

}  // namespace
}  // namespace formattest
