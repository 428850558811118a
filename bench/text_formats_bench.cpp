// Throughput of the readers of text formats on large generated input (about
// 20 MB each): plain text, a web page with paragraphs, tables and references,
// and the same page as a quoted-printable web archive. Bytes per second of
// input; the text and chunks are built as the server builds them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "wordfilt/formats/any_format.h"

namespace {

constexpr std::size_t kTarget = 20u << 20;

const std::string& PlainText() {
  static const std::string text = [] {
    std::string s;
    const std::string line =
        "The survey of the north harbour began on a grey morning; depth \xE2\x80\x94 7.4 m, "
        "caf\xC3\xA9 tender \xCE\xBB\xCE\xB9\xCE\xBC\xCE\xAC\xCE\xBD\xCE\xB9.\tcol\r\n";
    while (s.size() < kTarget) s += line;
    return s;
  }();
  return text;
}

const std::string& Page() {
  static const std::string page = [] {
    std::string s =
        "<!DOCTYPE html><html><head><meta charset=utf-8><title>Big</title>"
        "<style>p{margin:0}</style></head><body>\n";
    const std::string block =
        "<p class=MsoNormal>The survey of the <b>north</b> harbour began on a grey\n"
        "morning &amp; depth readings were taken every fifty metres &#8211; "
        "caf&eacute; <span style='mso-spacerun:yes'>&nbsp; </span>tender.<o:p></o:p></p>\n"
        "<!-- a comment --><table><tr><td>North pier</td><td>7.4</td></tr>"
        "<tr><td>Fuel dock</td><td>5.8</td></tr></table>\n"
        "<ul><li>Repeat the soundings</li><li>\xCE\x9B\xCE\xB9\xCE\xBC\xCE\xAC\xCE\xBD\xCE\xB9"
        "</li></ul><script>var x = 1;</script>\n";
    while (s.size() < kTarget) s += block;
    return s + "</body></html>\n";
  }();
  return page;
}

const std::string& Archive() {
  static const std::string archive = [] {
    std::string s =
        "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"b\"\r\n\r\n--b\r\n"
        "Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: "
        "quoted-printable\r\n\r\n";
    const std::string& page = Page();
    static const char kHex[] = "0123456789ABCDEF";
    std::size_t column = 0;
    for (char ch : page) {
      const auto c = static_cast<unsigned char>(ch);
      if (c == '\n') {
        s += "\r\n";
        column = 0;
        continue;
      }
      if (column > 72) {
        s += "=\r\n";
        column = 0;
      }
      if (c == '=' || c >= 0x80) {
        s += '=';
        s += kHex[c >> 4];
        s += kHex[c & 15];
        column += 3;
      } else {
        s += static_cast<char>(c);
        ++column;
      }
    }
    return s + "\r\n--b--\r\n";
  }();
  return archive;
}

void Extract(benchmark::State& state, const std::string& input) {
  for (auto _ : state) {
    wordfilt::DocumentText out;
    const auto status = wordfilt::ExtractAnyFormat(
        reinterpret_cast<const std::uint8_t*>(input.data()), input.size(), out);
    if (status != wordfilt::LoadStatus::kOk || out.text.empty()) state.SkipWithError("refused");
    benchmark::DoNotOptimize(out.text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void BM_PlainText(benchmark::State& state) { Extract(state, PlainText()); }
void BM_Html(benchmark::State& state) { Extract(state, Page()); }
void BM_Mhtml(benchmark::State& state) { Extract(state, Archive()); }

BENCHMARK(BM_PlainText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Html)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mhtml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
