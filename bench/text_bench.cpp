// Conversion speed of WideCharToMultiByte the way the text pump calls it: 64 KB pieces of
// UTF-16 (32,768 units), flags 0, no default character. Bytes/s counts UTF-16 input.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace {

constexpr size_t kPieceUnits = 32768;

std::vector<WCHAR> Piece(std::u16string_view sample) {
  std::vector<WCHAR> text;
  while (text.size() < kPieceUnits) text.insert(text.end(), sample.begin(), sample.end());
  text.resize(kPieceUnits);
  return text;
}

void Convert(benchmark::State& state, UINT cp, std::u16string_view sample) {
  const std::vector<WCHAR> text = Piece(sample);
  std::vector<char> out(kPieceUnits * 3);
  for (auto _ : state) {
    const int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    if (n <= 0) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kPieceUnits * 2);
}

const std::u16string_view kEnglish =
    u"The quick brown fox jumps over the lazy dog, and the report was filed on time. ";
const std::u16string_view kFrench =
    u"L'\u00e9l\u00e8ve a re\u00e7u le pr\u00e9sent \u00e0 No\u00ebl, \u00e7a co\u00fbte cher. ";
const std::u16string_view kRussian =
    u"\u0421\u044a\u0435\u0448\u044c \u0436\u0435 \u0435\u0449\u0451 \u044d\u0442\u0438\u0445 "
    u"\u043c\u044f\u0433\u043a\u0438\u0445 \u0431\u0443\u043b\u043e\u043a. ";
const std::u16string_view kJapanese =
    u"\u65e5\u672c\u8a9e\u306e\u6587\u66f8\u3092\u5909\u63db\u3057\u307e\u3059 (Word 97). ";
const std::u16string_view kAllLatin1 = u"\u00e0\u00e9\u00ee\u00f5\u00fc\u00c7\u00d1\u00df";

BENCHMARK_CAPTURE(Convert, cp1252_english, 1252, kEnglish);
BENCHMARK_CAPTURE(Convert, cp1252_french, 1252, kFrench);
BENCHMARK_CAPTURE(Convert, cp1252_all_latin1, 1252, kAllLatin1);
BENCHMARK_CAPTURE(Convert, cp1251_russian, 1251, kRussian);
BENCHMARK_CAPTURE(Convert, cp932_japanese, 932, kJapanese);
BENCHMARK_CAPTURE(Convert, cp936_japanese, 936, kJapanese);
BENCHMARK_CAPTURE(Convert, cp65001_english, 65001, kEnglish);
BENCHMARK_CAPTURE(Convert, cp65001_russian, 65001, kRussian);
BENCHMARK_CAPTURE(Convert, cp65001_japanese, 65001, kJapanese);

}  // namespace

BENCHMARK_MAIN();
