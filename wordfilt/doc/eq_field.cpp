#include "wordfilt/doc/eq_field.h"

namespace wordfilt {
namespace {

std::u16string_view TrimLeft(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  return s;
}

}  // namespace

void AppendEqFieldText(std::u16string_view instr, std::u16string& out) {
  instr = TrimLeft(instr);
  if (instr.size() < 2 || (instr.substr(0, 2) != u"EQ" && instr.substr(0, 2) != u"eq")) return;
  // The overstrike switch \o with its options, then its argument list.
  std::size_t at = instr.find(u"\\o");
  if (at == std::u16string_view::npos) return;
  at = instr.find(u'(', at);
  if (at == std::u16string_view::npos) return;
  // The last argument at the list's own nesting level is the base text.
  int depth = 0;
  std::size_t lastArg = at + 1;
  std::size_t end = std::u16string_view::npos;
  for (std::size_t i = at + 1; i < instr.size(); ++i) {
    const char16_t c = instr[i];
    if (c == u'\\') {
      ++i;  // an escaped character
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')') {
      if (depth == 0) {
        end = i;
        break;
      }
      --depth;
    } else if (c == u',' && depth == 0) {
      lastArg = i + 1;
    }
  }
  if (end == std::u16string_view::npos) return;
  for (std::size_t i = lastArg; i < end; ++i) {
    if (instr[i] == u'\\') {
      if (++i >= end) break;
    }
    out.push_back(instr[i]);
  }
}

}  // namespace wordfilt
