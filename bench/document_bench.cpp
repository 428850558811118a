// A text-heavy document from file bytes to UTF-8 and to its own code page:
// the parser with its text builder, then the conversion the pump does.
// Bytes/s counts the UTF-8 text the document gives.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text.h"
#include "wordfilt/doc/compound_streams.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int Encode(UINT cp, const std::u16string& text, std::vector<char>& out) {
  const auto* wide = reinterpret_cast<const WCHAR*>(text.data());
  out.resize(text.size() * 3 + 1);
  return WideCharToMultiByte(cp, 0, wide, static_cast<int>(text.size()), out.data(),
                             static_cast<int>(out.size()), nullptr, nullptr);
}

void Document(benchmark::State& state, const char* name, UINT cp, bool parse) {
  const std::vector<std::uint8_t> bytes = ReadFile(std::string(DOCFLT_BENCH_DATA) + "/" + name);
  wordfilt::DocumentText doc;
  if (wordfilt::ExtractFromBytes(bytes.data(), bytes.size(), doc) != wordfilt::LoadStatus::kOk) {
    state.SkipWithError("document did not load");
    return;
  }
  std::vector<char> out;
  const int utf8 = Encode(CP_UTF8, doc.text, out);
  for (auto _ : state) {
    if (parse) wordfilt::ExtractFromBytes(bytes.data(), bytes.size(), doc);
    if (cp != 0 && Encode(cp, doc.text, out) <= 0) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * utf8);
}

// Russian prose: 460,000 characters, 840 KB of UTF-8.
BENCHMARK_CAPTURE(Document, ru_parse, "novel-ru.doc", 0, true);
BENCHMARK_CAPTURE(Document, ru_parse_utf8, "novel-ru.doc", CP_UTF8, true);
BENCHMARK_CAPTURE(Document, ru_parse_1251, "novel-ru.doc", 1251, true);
BENCHMARK_CAPTURE(Document, ru_utf8_only, "novel-ru.doc", CP_UTF8, false);

}  // namespace

BENCHMARK_MAIN();
