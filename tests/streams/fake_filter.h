// A scriptable filter for driving the pump and the routes: a list of chunks
// with their pieces and results, call counters, and injectable faults.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/filter.h"
#include "platform/fpu.h"

namespace fake {

struct Piece {
  std::u16string text;
  HRESULT hr = S_OK;  // what GetText answers with this piece
  // When set, the count GetText reports instead of the text's length.
  long countOverride = -1;
};

struct Chunk {
  HRESULT hr = S_OK;  // what GetChunk answers
  CHUNKSTATE flags = CHUNK_TEXT;
  LCID locale = 0x0409;
  std::vector<Piece> pieces;  // after the last piece GetText answers NO_MORE_TEXT
};

// A text chunk whose text comes in pieces of at most `piece` units, the last
// one with FILTER_S_LAST_TEXT.
Chunk TextChunk(const std::u16string& text, LCID locale = 0x0409, size_t piece = 65534);

class Filter : public IFilter {
 public:
  std::vector<Chunk> chunks;
  // GetChunk keeps answering this once the chunks are used up.
  HRESULT endResult = FILTER_E_END_OF_CHUNKS;
  bool throwInRelease = false;
  // Leave the x87 unit in a careless state after each call.
  bool spoilFpu = false;

  int getChunkCalls = 0;
  int getTextCalls = 0;
  int releaseCalls = 0;
  ULONG refs = 1;
  std::vector<ULONG> askedUnits;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override;
  SCODE STDMETHODCALLTYPE Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG*) override { return S_OK; }
  SCODE STDMETHODCALLTYPE GetChunk(STAT_CHUNK* stat) override;
  SCODE STDMETHODCALLTYPE GetText(ULONG* count, WCHAR* buffer) override;
  SCODE STDMETHODCALLTYPE GetValue(PROPVARIANT**) override { return FILTER_E_NO_MORE_VALUES; }
  SCODE STDMETHODCALLTYPE BindRegion(FILTERREGION, REFIID, void**) override { return E_NOTIMPL; }
  virtual ~Filter() = default;

 private:
  size_t next_ = 0;      // next chunk to hand out
  size_t piece_ = 0;     // next piece of the current chunk
  bool inChunk_ = false;
};

}  // namespace fake
