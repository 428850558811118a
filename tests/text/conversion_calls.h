// One call of the code-page functions with everything it leaves behind: the result, the
// last error and the whole output buffer (which starts filled with 0xCC), so that a test
// can compare partial writes too. Works against the system's functions on Windows and the
// layer's own on POSIX.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"

namespace calls {

using Bytes = std::vector<std::uint8_t>;
using Units = std::vector<std::uint16_t>;

// A length argument meaning "the size of the input given".
inline constexpr int kInputSize = INT_MIN;

struct Encoded {
  int ret = 0;
  DWORD error = 0;
  Bytes buffer;   // the whole buffer after the call (empty for no buffer)
  BOOL used = 7;  // untouched unless asked for
  Bytes Output() const { return Bytes(buffer.begin(), buffer.begin() + (ret > 0 ? ret : 0)); }
};

struct Decoded {
  int ret = 0;
  DWORD error = 0;
  Units buffer;
  Units Output() const { return Units(buffer.begin(), buffer.begin() + (ret > 0 ? ret : 0)); }
};

struct EncodeArgs {
  DWORD flags = 0;
  int length = kInputSize;
  int capacity = 0;
  const char* default_char = nullptr;
  bool want_used = false;
  bool null_input = false;
  bool null_output = false;
};

inline Encoded Encode(UINT cp, const Units& in, const EncodeArgs& a) {
  std::vector<WCHAR> wide(in.begin(), in.end());
  wide.push_back(0);  // never read unless the length says so
  Encoded r;
  std::vector<char> buf(a.capacity > 0 ? a.capacity : 1, static_cast<char>(0xCC));
  SetLastError(0);
  r.ret = WideCharToMultiByte(cp, a.flags, a.null_input ? nullptr : wide.data(),
                              a.length == kInputSize ? static_cast<int>(in.size()) : a.length,
                              a.null_output ? nullptr : buf.data(), a.capacity, a.default_char,
                              a.want_used ? &r.used : nullptr);
  r.error = GetLastError();
  if (a.capacity > 0 && !a.null_output) r.buffer.assign(buf.begin(), buf.end());
  return r;
}

struct DecodeArgs {
  DWORD flags = 0;
  int length = kInputSize;
  int capacity = 0;
  bool null_input = false;
  bool null_output = false;
};

inline Decoded Decode(UINT cp, const Bytes& in, const DecodeArgs& a) {
  std::vector<char> multi(in.begin(), in.end());
  multi.push_back(0);
  Decoded r;
  std::vector<WCHAR> buf(a.capacity > 0 ? a.capacity : 1, static_cast<WCHAR>(0xCCCC));
  SetLastError(0);
  r.ret = MultiByteToWideChar(cp, a.flags, a.null_input ? nullptr : multi.data(),
                              a.length == kInputSize ? static_cast<int>(in.size()) : a.length,
                              a.null_output ? nullptr : buf.data(), a.capacity);
  r.error = GetLastError();
  if (a.capacity > 0 && !a.null_output) r.buffer.assign(buf.begin(), buf.end());
  return r;
}

struct LocaleAnswer {
  int ret = 0;
  DWORD error = 0;
  Bytes buffer;
};

inline LocaleAnswer Locale(LCID lcid, DWORD type, int capacity, bool null_output = false) {
  LocaleAnswer r;
  std::vector<char> buf(capacity > 0 ? capacity : 1, static_cast<char>(0xCC));
  SetLastError(0);
  r.ret = GetLocaleInfoA(lcid, type, null_output ? nullptr : buf.data(), capacity);
  r.error = GetLastError();
  if (capacity > 0 && !null_output) r.buffer.assign(buf.begin(), buf.end());
  return r;
}

}  // namespace calls
