#include "wordfilt/doc/paragraphs.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace wordfilt {

std::size_t FindMark(const char16_t* text, std::size_t j, std::size_t n) {
#ifdef __SSE2__
  const __m128i paragraph = _mm_set1_epi16(0x0D);
  const __m128i cell = _mm_set1_epi16(0x07);
  while (n - j >= 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + j));
    const __m128i mark = _mm_or_si128(_mm_cmpeq_epi16(x, paragraph), _mm_cmpeq_epi16(x, cell));
    if (_mm_movemask_epi8(mark) != 0) break;
    j += 8;
  }
#endif
  constexpr std::uint64_t kOnes = 0x0001000100010001;
  constexpr std::uint64_t kHigh = 0x8000800080008000;
  while (j < n) {
    if (n - j >= 4) {
      // Four characters at once while none is below 0x0E, as both marks are.
      std::uint64_t x;
      std::memcpy(&x, text + j, sizeof x);
      if (((x - kOnes * 0x0E) & ~x & kHigh) == 0) {
        j += 4;
        continue;
      }
    }
    if (text[j] == 0x0D || text[j] == 0x07) return j;
    ++j;
  }
  return n;
}

void Paragraphs::Start(const CharRuns& runs) {
  runs_ = &runs;
  at_ = 0;
  run_ = 0;
  hint_ = -1;
}

long Paragraphs::FindPapx(std::uint32_t fc) {
  // Paragraphs mostly follow each other in the stream: try the run after
  // the last one before searching.
  long r = -1;
  for (long h = hint_; h >= 0 && h <= hint_ + 1; ++h) {
    const std::size_t u = static_cast<std::size_t>(h);
    if (u < papx_.size() && papx_[u].fcStart <= fc && fc < papx_[u].fcEnd) r = h;
  }
  if (r < 0) r = FindRun(papx_, fc);
  hint_ = r;
  return r;
}

bool Paragraphs::Next(Paragraph& p) {
  const std::size_t n = runs_->size();
  if (at_ >= n) return false;
  const char16_t* text = runs_->text();
  const std::size_t j = FindMark(text, at_, n);
  p = Paragraph();
  p.begin = at_;
  p.end = j < n ? j + 1 : n;
  at_ = p.end;
  if (j == n) return true;
  // A paragraph's properties hang on its closing mark.
  p.hasMark = true;
  run_ = runs_->Seek(run_, j);
  p.markRun = run_;
  const long r = FindPapx(runs_->FcOf(run_, j));
  if (r >= 0) {
    const ParaFlags& f = flags_[static_cast<std::size_t>(r)];
    p.flags = &f;
    p.istd = papx_[static_cast<std::size_t>(r)].istd;
    p.info.rowEnd = text[j] == 0x07 && (f.rowEnd || f.innerRowEnd);
    p.info.innerCell = text[j] == 0x0D && f.innerCell && !f.innerRowEnd;
  }
  return true;
}

}  // namespace wordfilt
