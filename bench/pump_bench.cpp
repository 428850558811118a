// The text pump over a filter that produces 64 MB of UTF-16 text, read through
// host buffers of 4 KiB and 64 KiB in several code-page modes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "streams/stream.h"

namespace {

constexpr size_t kTotalUnits = 32u << 20;  // 64 MB of UTF-16

// Serves the same 65,534-unit piece over and over, one chunk a piece.
class GeneratorFilter : public IFilter {
 public:
  GeneratorFilter(const std::u16string& sample, LCID locale) : locale_(locale) {
    while (piece_.size() < CFltStream::kPieceUnits) piece_ += sample;
    piece_.resize(CFltStream::kPieceUnits);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  SCODE STDMETHODCALLTYPE Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG*) override { return S_OK; }
  SCODE STDMETHODCALLTYPE GetChunk(STAT_CHUNK* stat) override {
    if (served_ >= kTotalUnits) return FILTER_E_END_OF_CHUNKS;
    stat->flags = CHUNK_TEXT;
    stat->locale = locale_;
    stat->breakType = CHUNK_EOP;
    inChunk_ = true;
    return S_OK;
  }
  SCODE STDMETHODCALLTYPE GetText(ULONG* count, WCHAR* buffer) override {
    if (!inChunk_) return FILTER_E_NO_MORE_TEXT;
    ULONG n = static_cast<ULONG>(std::min<size_t>(*count, piece_.size()));
    std::copy(piece_.begin(), piece_.begin() + n, buffer);
    *count = n;
    served_ += n;
    inChunk_ = false;
    return FILTER_S_LAST_TEXT;
  }
  SCODE STDMETHODCALLTYPE GetValue(PROPVARIANT**) override { return FILTER_E_NO_MORE_VALUES; }
  SCODE STDMETHODCALLTYPE BindRegion(FILTERREGION, REFIID, void**) override { return E_NOTIMPL; }
  virtual ~GeneratorFilter() = default;
  void Rewind() { served_ = 0; }

 private:
  std::u16string piece_;
  LCID locale_;
  size_t served_ = 0;
  bool inChunk_ = false;
};

struct Mode {
  LONG codePage;
  LCID locale;
  const char16_t* sample;
};

const Mode kModes[] = {
    {FLT_CP_UNICODE, 0x0409, u"The quick brown fox jumps over the lazy dog. "},
    {1252, 0x0409, u"Größere Äpfel für café crème, naïve œuvre. "},
    {1251, 0x0419, u"Съешь же ещё этих мягких французских булок. "},
    {932, 0x0411, u"いろはにほへと ちりぬるを 日本語の文章です。"},
    {65001, 0x0409, u"Grüße, мир, 日本語, ελληνικά. "},
};

void PumpRead(benchmark::State& state) {
  const Mode& mode = kModes[state.range(0)];
  const DWORD cbBuffer = static_cast<DWORD>(state.range(1));
  GeneratorFilter filter(mode.sample, mode.locale);
  std::vector<char> host(cbBuffer);
  FILTEREDSTREAMINFO info{};
  info.cbSize = sizeof(info);
  for (auto _ : state) {
    filter.Rewind();
    auto stream = std::make_unique<CFltStream>();
    stream->m_pFilter = &filter;
    stream->m_nCodePage = mode.codePage;
    DWORD got = 0;
    size_t total = 0;
    do {
      stream->Read(&info, host.data(), cbBuffer, &got);
      total += got;
    } while (got == cbBuffer);
    benchmark::DoNotOptimize(total);
    stream->m_pFilter = nullptr;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kTotalUnits * 2);
  state.SetLabel(mode.codePage == FLT_CP_UNICODE ? "utf-16" : std::to_string(mode.codePage));
}

BENCHMARK(PumpRead)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {4096, 65536}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
