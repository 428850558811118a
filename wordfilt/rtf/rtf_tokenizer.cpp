#include "wordfilt/rtf/rtf_tokenizer.h"

#include <array>
#include <limits>

namespace wordfilt {
namespace {

// Bytes that end a run of plain text.
constexpr std::array<bool, 256> MakeStops() {
  std::array<bool, 256> stops{};
  stops['\\'] = stops['{'] = stops['}'] = stops['\r'] = stops['\n'] = true;
  return stops;
}
constexpr std::array<bool, 256> kStops = MakeStops();

bool IsLetter(std::uint8_t c) { return static_cast<std::uint8_t>((c | 0x20) - 'a') < 26; }
bool IsDigit(std::uint8_t c) { return static_cast<std::uint8_t>(c - '0') < 10; }

int HexValue(std::uint8_t c) {
  if (IsDigit(c)) return c - '0';
  const std::uint8_t lower = c | 0x20;
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

}  // namespace

bool RtfTokenizer::Next(RtfToken& token) {
  while (at_ < end_) {
    const std::uint8_t c = *at_;
    if (c == '{' || c == '}') {
      ++at_;
      token.kind = c == '{' ? RtfTokenKind::kGroupOpen : RtfTokenKind::kGroupClose;
      return true;
    }
    if (c == '\r' || c == '\n') {  // line ends are only there to keep lines short
      ++at_;
      continue;
    }
    if (c != '\\') {
      const std::uint8_t* from = at_;
      while (at_ < end_ && !kStops[*at_]) ++at_;
      token.kind = RtfTokenKind::kText;
      token.data = from;
      token.size = static_cast<std::size_t>(at_ - from);
      return true;
    }
    if (end_ - at_ < 2) {  // a lone backslash at the end
      at_ = end_;
      return false;
    }
    const std::uint8_t next = at_[1];
    if (IsLetter(next)) {
      ++at_;
      ReadWord(token);
      return true;
    }
    at_ += 2;
    if (next == '\\' || next == '{' || next == '}') {
      token.kind = RtfTokenKind::kText;
      token.data = at_ - 1;
      token.size = 1;
      return true;
    }
    if (next == '\'') {
      const int high = at_ < end_ ? HexValue(at_[0]) : -1;
      const int low = end_ - at_ >= 2 ? HexValue(at_[1]) : -1;
      if (high < 0 || low < 0) continue;  // no byte there: nothing to read
      at_ += 2;
      token.kind = RtfTokenKind::kHex;
      token.symbol = static_cast<std::uint8_t>(high * 16 + low);
      return true;
    }
    token.kind = RtfTokenKind::kSymbol;
    token.symbol = next == '\r' ? '\n' : next;
    return true;
  }
  return false;
}

void RtfTokenizer::ReadWord(RtfToken& token) {
  const std::uint8_t* from = at_;
  while (at_ < end_ && IsLetter(*at_)) ++at_;
  token.kind = RtfTokenKind::kWord;
  token.word =
      std::string_view(reinterpret_cast<const char*>(from), static_cast<std::size_t>(at_ - from));
  token.hasParam = false;
  token.param = 0;
  bool negative = false;
  if (at_ < end_ && *at_ == '-' && end_ - at_ >= 2 && IsDigit(at_[1])) {
    negative = true;
    ++at_;
  }
  if (at_ < end_ && IsDigit(*at_)) {
    // Saturates: no real parameter comes near the limit, and an absurd one
    // must not overflow.
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    while (at_ < end_ && IsDigit(*at_)) {
      value = value * 10 + (*at_ - '0');
      if (value > kMax) value = kMax;
      ++at_;
    }
    token.hasParam = true;
    token.param = static_cast<std::int32_t>(negative ? -value : value);
  }
  if (at_ < end_ && *at_ == ' ') ++at_;  // the delimiting space belongs to the word
  if (token.word == "bin") {
    // The data can hold any byte, braces and backslashes included.
    const std::size_t left = static_cast<std::size_t>(end_ - at_);
    const std::size_t n =
        token.hasParam && token.param > 0 ? static_cast<std::size_t>(token.param) : 0;
    token.kind = RtfTokenKind::kBinary;
    token.data = at_;
    token.size = n < left ? n : left;
    at_ += token.size;
  }
}

}  // namespace wordfilt
