#include "wordfilt/rtf/rtf_tokenizer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using wordfilt::RtfToken;
using wordfilt::RtfTokenizer;
using wordfilt::RtfTokenKind;

// Each token written out: "{", "}", "\name", "\name-12", "sym:~", "hex:e9", "text:abc", "bin:3".
std::vector<std::string> Tokens(const std::string& rtf) {
  RtfTokenizer tokens(reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size());
  std::vector<std::string> out;
  RtfToken t;
  while (tokens.Next(t)) {
    switch (t.kind) {
      case RtfTokenKind::kGroupOpen: out.push_back("{"); break;
      case RtfTokenKind::kGroupClose: out.push_back("}"); break;
      case RtfTokenKind::kWord:
        out.push_back("\\" + std::string(t.word) + (t.hasParam ? std::to_string(t.param) : ""));
        break;
      case RtfTokenKind::kSymbol: out.push_back(std::string("sym:") + char(t.symbol)); break;
      case RtfTokenKind::kHex: {
        char hex[8];
        std::snprintf(hex, sizeof hex, "hex:%02x", t.symbol);
        out.push_back(hex);
        break;
      }
      case RtfTokenKind::kText:
        out.push_back("text:" + std::string(reinterpret_cast<const char*>(t.data), t.size));
        break;
      case RtfTokenKind::kBinary:
        out.push_back("bin:" + std::string(reinterpret_cast<const char*>(t.data), t.size));
        break;
    }
  }
  return out;
}

using V = std::vector<std::string>;

TEST(RtfTokenizer, WordsTakeParametersAndTheirDelimitingSpace) {
  EXPECT_EQ(Tokens("{\\rtf1\\ansi\\deff0 Hello}"),
            (V{"{", "\\rtf1", "\\ansi", "\\deff0", "text:Hello", "}"}));
  // Only one space is the delimiter; a second is text. Other delimiters stay.
  EXPECT_EQ(Tokens("\\b  x\\u-3913?\\li-"),
            (V{"\\b", "text: x", "\\u-3913", "text:?", "\\li", "text:-"}));
  // A parameter beyond 32 bits saturates instead of wrapping.
  EXPECT_EQ(Tokens("\\fs99999999999999999999x"), (V{"\\fs2147483647", "text:x"}));
}

TEST(RtfTokenizer, SymbolsHexAndEscapes) {
  EXPECT_EQ(Tokens("a\\~b\\-\\_\\*\\'e9\\'C3x"), (V{"text:a", "sym:~", "text:b", "sym:-", "sym:_",
                                                    "sym:*", "hex:e9", "hex:c3", "text:x"}));
  EXPECT_EQ(Tokens("\\{\\}\\\\"), (V{"text:{", "text:}", "text:\\"}));
  // A byte with bad hex digits reads as nothing; what follows is text again.
  EXPECT_EQ(Tokens("\\'zzok"), (V{"text:zzok"}));
  EXPECT_EQ(Tokens("x\\'4"), (V{"text:x", "text:4"}));
}

TEST(RtfTokenizer, LineEndsAreNotTextButABackslashBeforeOneIsAParagraph) {
  EXPECT_EQ(Tokens("ab\r\ncd\\\nef\\\r"), (V{"text:ab", "text:cd", "sym:\n", "text:ef", "sym:\n"}));
  EXPECT_EQ(Tokens("x\\"), (V{"text:x"}));  // a lone backslash at the end
}

TEST(RtfTokenizer, BinaryDataIsSkippedByCountWhateverItHolds) {
  EXPECT_EQ(Tokens("{\\bin5 {}\\\\}after}"), (V{"{", "bin:{}\\\\}", "text:after", "}"}));
  // A count beyond the end takes what is left; a negative one takes nothing.
  EXPECT_EQ(Tokens("\\bin99 ab}"), (V{"bin:ab}"}));
  EXPECT_EQ(Tokens("\\bin-4 {x}"), (V{"bin:", "{", "text:x", "}"}));
}

}  // namespace
