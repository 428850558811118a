// EQ fields have no result: Word draws their text from the instructions. The
// common use is the phonetic guide of East-Asian text,
//   EQ \* jc2 \* "Font:MS Mincho" \* hps11 \o\ad(\s\up 10(ruby),base)
// whose visible text is the base.
#pragma once

#include <string>
#include <string_view>

namespace wordfilt {

// Appends the base text an EQ field's instructions show to `out`; appends
// nothing for other fields or forms it does not know.
void AppendEqFieldText(std::u16string_view instructions, std::u16string& out);

}  // namespace wordfilt
