// Throughput of the RTF reader on a generated document of about 20 MB, in the
// mix a word processor writes: formatting words between short runs, accented
// letters as \'hh, Unicode with fallbacks, tables, fields, notes and pictures.
//   rtf_bench                 runs the benchmark (bytes/s count RTF input)
//   rtf_bench --write FILE    writes the document, e.g. to read it through doctext
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "wordfilt/rtf/rtf_reader.h"

namespace {

std::string Generate(std::size_t target) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\froman\\fcharset0 Times "
      "New Roman;}{\\f1\\fswiss\\fcharset204 Arial;}{\\f2\\ftech\\fcharset2 Symbol;}}"
      "{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0\\f0\\fs24 Normal;}}"
      "{\\info{\\title Generated}{\\author Bench}}\n";
  const std::string picture = "{\\pict\\pngblip\\picw64\\pich64 " + std::string(2048, 'a') + "}";
  std::size_t n = 0;
  while (rtf.size() < target) {
    ++n;
    rtf +=
        "\\pard\\plain\\s0\\ql\\f0\\fs24\\lang1033 The quarterly report {\\b shows} that "
        "revenue grew by {\\i twelve} percent while costs fell in most regions; the "
        "caf\\'e9 chain na\\'efvely expanded {\\lang1031 \\'fcber M\\'fcnchen} and "
        "{\\f1\\lang1049 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2} offices.\\par\n";
    rtf +=
        "\\pard\\plain See {\\field{\\*\\fldinst HYPERLINK \"http://example.com/a\"}"
        "{\\fldrslt {\\ul the appendix}}} and \\uc1\\u8364?\\u8211?\\u26085? figures"
        "{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Source: internal ledger " +
        std::to_string(n) + ".}\\par\n";
    rtf += "\\trowd\\cellx3000\\cellx6000\\pard\\intbl Region\\cell Total " + std::to_string(n) +
           "\\cell\\row\n";
    if (n % 8 == 0) rtf += picture + "\\par\n";
  }
  return rtf + "}";
}

const std::string& Document() {
  static const std::string doc = Generate(20 << 20);
  return doc;
}

void BM_ReadRtf(benchmark::State& state) {
  const std::string& doc = Document();
  for (auto _ : state) {
    wordfilt::DocumentText out;
    wordfilt::ExtractRtf(reinterpret_cast<const std::uint8_t*>(doc.data()), doc.size(), out);
    benchmark::DoNotOptimize(out.text.data());
    state.counters["text_units"] = static_cast<double>(out.text.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
    FILE* f = std::fopen(argv[2], "wb");
    if (!f) return 1;
    const std::string& doc = Document();
    const bool ok = std::fwrite(doc.data(), 1, doc.size(), f) == doc.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
