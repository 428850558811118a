#include "wordfilt/doc/char_runs.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "wordfilt/doc/code_page_decoder.h"

namespace wordfilt {

namespace {

// Built once rather than for each document: filling them cost a small
// document's parse as much as its text did.
const CharRuns::ByteMap& Cp1252Map() {
  static const CharRuns::ByteMap map = [] {
    CharRuns::ByteMap m{};
    for (std::size_t b = 0; b < m.size(); ++b) m[b] = Cp1252ToUnicode(static_cast<std::uint8_t>(b));
    return m;
  }();
  return map;
}

const CharRuns::ByteMap& IdentityMap() {
  static const CharRuns::ByteMap map = [] {
    CharRuns::ByteMap m{};
    for (std::size_t b = 0; b < m.size(); ++b) m[b] = static_cast<char16_t>(b);
    return m;
  }();
  return map;
}

}  // namespace

CharRuns::CharRuns(const Document& doc)
    : tables_(doc.tables()), doc_(doc.wordDocument()), budget_(doc.wordDocument().size()) {
  // Word 97 compresses only text that Windows-1252 holds; Word 6 text waits
  // for its font to tell the code page. Both leave ASCII as it is, which
  // DecodeBytes relies on.
  byteMap_ = EightBitText(doc.fib().version) ? &IdentityMap() : &Cp1252Map();
}

void CharRuns::Reserve(std::size_t n) {
  if (capacity_ - size_ >= n) return;
  const std::size_t capacity = std::max(size_ + n, 2 * capacity_);
  std::unique_ptr<char16_t[]> bigger(new char16_t[capacity]);
  if (size_ != 0) std::memcpy(bigger.get(), raw_.get(), size_ * sizeof(char16_t));
  raw_ = std::move(bigger);
  capacity_ = capacity;
}

char16_t* CharRuns::Grow(std::size_t n) {
  Reserve(n);
  char16_t* at = raw_.get() + size_;
  size_ += n;
  return at;
}

void CharRuns::DecodeBytes(const std::uint8_t* p, std::size_t n, bool compressed) {
  char16_t* dst = Grow(n);
  if (compressed) {
    std::size_t i = 0;
#ifdef __SSE2__
    // ASCII maps to itself in every byte map: widen sixteen bytes at once
    // while none has its high bit set.
    const __m128i zero = _mm_setzero_si128();
    while (n - i >= 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      if (_mm_movemask_epi8(x) != 0) {
        for (const std::size_t stop = i + 16; i < stop; ++i) dst[i] = (*byteMap_)[p[i]];
        continue;
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_unpacklo_epi8(x, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 8), _mm_unpackhi_epi8(x, zero));
      i += 16;
    }
#endif
    for (; i < n; ++i) dst[i] = (*byteMap_)[p[i]];
  } else {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(dst, p, 2 * n);  // already UTF-16LE
#else
    for (std::size_t i = 0; i < n; ++i) dst[i] = ByteSpan::Le16(p + 2 * i);
#endif
  }
}

void CharRuns::Decode(std::uint32_t cpStart, std::uint32_t cpEnd) {
  size_ = 0;
  runs_.clear();
  prmDeltas_.clear();
  const std::vector<Piece>& pieces = tables_.pieces.pieces;
  const long pi = tables_.pieces.Find(cpStart);
  if (pi < 0) return;
  // Room for the whole range at once (never more than the stream's bytes):
  // growing by doubling copied the text of a long story several times.
  if (cpEnd > cpStart)
    Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(cpEnd - cpStart, budget_)));
  for (std::size_t i = static_cast<std::size_t>(pi); i < pieces.size(); ++i) {
    if (pieces[i].cpStart >= cpEnd) break;
    DecodePiece(pieces[i], cpStart, cpEnd);
  }
}

void CharRuns::DecodePiece(const Piece& p, std::uint32_t cpStart, std::uint32_t cpEnd) {
  const std::uint32_t a = std::max(cpStart, p.cpStart);
  const std::uint32_t b = std::min(cpEnd, p.cpEnd);
  const std::uint32_t bpc = p.BytesPerChar();
  const std::uint64_t fcA = p.fc + std::uint64_t{a - p.cpStart} * bpc;
  std::uint64_t n = b - a;
  const std::uint64_t avail = fcA < doc_.size() ? (doc_.size() - fcA) / bpc : 0;
  if (n > avail || n > budget_) {
    n = std::min(avail, budget_);
    truncated_ = true;
  }
  budget_ -= n;
  std::int32_t prm = -1;
  if (p.prm != 0) {
    const CharDelta d = PrmDelta(p.prm, tables_.clxDeltas);
    if (!d.Empty()) {
      prm = static_cast<std::int32_t>(prmDeltas_.size());
      prmDeltas_.push_back(d);
    }
  }
  // Split the piece where its character runs change.
  const std::vector<FkpRun>& chpx = tables_.chpx;
  std::uint64_t fc = fcA;
  const std::uint64_t fcEnd = fcA + n * bpc;
  auto run = std::upper_bound(chpx.begin(), chpx.end(), fc,
                              [](std::uint64_t v, const FkpRun& r) { return v < r.fcEnd; });
  while (fc < fcEnd) {
    Run seg;
    seg.start = static_cast<std::uint32_t>(size_);
    seg.fc = static_cast<std::uint32_t>(fc);
    seg.bytesPerChar = static_cast<std::uint8_t>(bpc);
    seg.prm = prm;
    std::uint64_t segEnd = fcEnd;
    if (run != chpx.end() && run->fcStart <= fc) {
      seg.chpx = static_cast<std::int32_t>(run - chpx.begin());
      segEnd = std::min<std::uint64_t>(fcEnd, run->fcEnd);
      ++run;
    } else if (run != chpx.end()) {
      segEnd = std::min<std::uint64_t>(fcEnd, run->fcStart);
    }
    const std::uint64_t chars = (segEnd - fc + bpc - 1) / bpc;
    DecodeBytes(doc_.data() + fc, static_cast<std::size_t>(chars), p.compressed);
    runs_.push_back(seg);
    fc += chars * bpc;
    // A run ending inside a UTF-16 character: move on to the run holding fc.
    while (run != chpx.end() && run->fcEnd <= fc) ++run;
  }
}

}  // namespace wordfilt
