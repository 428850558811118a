#include "wordfilt/doc/note_labels.h"

#include <algorithm>

namespace wordfilt {

void NoteLabels::Start(std::uint32_t cpStart) {
  cpStart_ = cpStart;
  next_ = labels_.data();
  end_ = labels_.data() + labels_.size();
  next_ = std::lower_bound(next_, end_, cpStart,
                           [](const NoteLabel& l, std::uint32_t cp) { return l.cp < cp; });
}

}  // namespace wordfilt
