// The Windows code-page functions on POSIX: argument checks in the Windows order, then the
// codec or the locale table does the work.
#ifndef _WIN32
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/text.h"
#include "platform/text/codec.h"
#include "platform/text/locale_codepages.h"
#include "platform/text/system_codepage.h"

namespace {

using platform::text::Codec;
using platform::text::ConvError;
using platform::text::ConvResult;

const Codec* CodecFor(UINT code_page) {
  switch (code_page) {
    case CP_ACP:
    case CP_THREAD_ACP: code_page = GetACP(); break;
    case CP_OEMCP: code_page = GetOEMCP(); break;
    default: break;
  }
  return platform::text::FindCodec(code_page);
}

// ASCII reads the same in every ANSI code page the system can have (1252 or
// 65001 here): a plain ASCII string, such as a server path at start-up, is
// decoded without the look at the installed locale that GetACP takes first,
// which costs a one-document run a locale file read.
bool IsAscii(const char* s, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
  return true;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

int Finish(const ConvResult& r) {
  switch (r.error) {
    case ConvError::kNone: break;
    case ConvError::kInsufficientBuffer: return Fail(ERROR_INSUFFICIENT_BUFFER);
    case ConvError::kInvalidParameter: return Fail(ERROR_INVALID_PARAMETER);
    case ConvError::kInvalidFlags: return Fail(ERROR_INVALID_FLAGS);
    case ConvError::kNoUnicodeTranslation: return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  // Only a count of a huge input can exceed an int.
  if (r.count > static_cast<std::size_t>(INT_MAX)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  return static_cast<int>(r.count);
}

}  // namespace

UINT GetACP() {
  static const UINT acp = platform::text::DetectAnsiCodePage();
  return acp;
}

UINT GetOEMCP() { return platform::text::OemCodePageFor(GetACP()); }

BOOL IsValidCodePage(UINT codePage) {
  // The aliases name no page of their own, as on Windows.
  if (codePage <= CP_THREAD_ACP) return FALSE;
  return platform::text::FindCodec(codePage) ? TRUE : FALSE;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWide, LPSTR multi,
                        int cbMulti, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  if (!wide || cchWide == 0 || (!multi && cbMulti) || cbMulti < 0)
    return Fail(ERROR_INVALID_PARAMETER);
  const std::size_t count = cchWide < 0 ? std::char_traits<char16_t>::length(wide) + 1
                                        : static_cast<std::size_t>(cchWide);
  const Codec* codec = CodecFor(codePage);
  if (!codec) return Fail(ERROR_INVALID_PARAMETER);
  if (flags & ~platform::text::kEncodeFlagsAccepted) return Fail(ERROR_INVALID_FLAGS);
  // UTF-8 has no default character: Windows refuses both arguments for it.
  if (codec->is_utf8() && (defaultChar || usedDefaultChar)) return Fail(ERROR_INVALID_PARAMETER);

  bool used = false;
  platform::text::EncodeOptions options;
  options.flags = flags;
  options.default_char = defaultChar;
  options.used_default = usedDefaultChar ? &used : nullptr;
  const ConvResult r =
      codec->Encode(wide, count, multi, static_cast<std::size_t>(cbMulti), options);
  if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
  return Finish(r);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multi, int cbMulti, LPWSTR wide,
                        int cchWide) {
  if (!multi || cbMulti == 0 || (!wide && cchWide) || cchWide < 0)
    return Fail(ERROR_INVALID_PARAMETER);
  const std::size_t count =
      cbMulti < 0 ? std::strlen(multi) + 1 : static_cast<std::size_t>(cbMulti);
  if ((codePage == CP_ACP || codePage == CP_THREAD_ACP) && flags == 0 && IsAscii(multi, count)) {
    // Widened byte by byte, without building a code page's tables either.
    if (count > static_cast<std::size_t>(INT_MAX)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (cchWide == 0) return static_cast<int>(count);
    if (count > static_cast<std::size_t>(cchWide)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    for (std::size_t i = 0; i < count; ++i) wide[i] = static_cast<WCHAR>(multi[i]);
    return static_cast<int>(count);
  }
  const Codec* codec = CodecFor(codePage);
  if (!codec) return Fail(ERROR_INVALID_PARAMETER);
  if (!codec->AcceptsDecodeFlags(flags)) return Fail(ERROR_INVALID_FLAGS);
  return Finish(codec->Decode(multi, count, wide, static_cast<std::size_t>(cchWide), flags));
}

int GetLocaleInfoA(LCID locale, DWORD lcType, LPSTR data, int cchData) {
  if (cchData < 0 || (cchData && !data)) return Fail(ERROR_INVALID_PARAMETER);
  // LOCALE_USE_CP_ACP changes nothing for digits; only user overrides could differ, and
  // there are none here.
  const DWORD type = lcType & ~(LOCALE_NOUSEROVERRIDE | 0x40000000u);
  const std::optional<unsigned> ansi = platform::text::LocaleAnsiCodePage(locale);
  if (!ansi) return Fail(ERROR_INVALID_PARAMETER);
  unsigned value;
  if (type == LOCALE_IDEFAULTANSICODEPAGE) {
    value = *ansi;
  } else if (type == LOCALE_IDEFAULTCODEPAGE) {
    value = *platform::text::LocaleOemCodePage(locale);
  } else {
    return Fail(ERROR_INVALID_FLAGS);
  }
  char digits[16];
  const int needed = std::snprintf(digits, sizeof digits, "%u", value) + 1;
  if (cchData == 0) return needed;
  // A short buffer gets what fits, as on Windows, and the call fails.
  std::memcpy(data, digits, static_cast<std::size_t>(cchData < needed ? cchData : needed));
  if (cchData < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  return needed;
}
#endif  // _WIN32
