// Puts the number of an automatically numbered note where its placeholder
// character stands, in the note's reference and at the start of its text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "wordfilt/doc/notes.h"

namespace wordfilt {

class NoteLabels {
 public:
  static constexpr char16_t kPlaceholder = 0x02;

  explicit NoteLabels(const std::vector<NoteLabel>& labels) : labels_(labels) {}

  // Starts over for a range that begins at cpStart; indexes below count from it.
  void Start(std::uint32_t cpStart);

  // Passes the labels before index i, then the one at i if any; returns it
  // when c, the character at i, is its placeholder.
  const NoteLabel* Take(std::size_t i, char16_t c) {
    while (next_ != end_ && next_->cp - cpStart_ < i) ++next_;
    if (next_ == end_ || next_->cp - cpStart_ != i) return nullptr;
    const NoteLabel* label = next_++;
    return c == kPlaceholder ? label : nullptr;
  }
  // Where text from index i on must stop short of the next label, or `end`.
  std::size_t Limit(std::size_t i, std::size_t end) const {
    if (next_ == end_) return end;
    const std::size_t at = next_->cp - cpStart_;
    return at > i && at < end ? at : end;
  }

 private:
  const std::vector<NoteLabel>& labels_;
  std::uint32_t cpStart_ = 0;
  const NoteLabel* next_ = nullptr;
  const NoteLabel* end_ = nullptr;
};

}  // namespace wordfilt
