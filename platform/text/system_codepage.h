// The system code pages on POSIX, taken from the process's character-type locale.
#pragma once

namespace platform::text {

// 65001 when the locale that setlocale(LC_CTYPE, "") would pick (LC_ALL, else LC_CTYPE,
// else LANG) encodes text as UTF-8, else 1252 (the ANSI page of the English-US system
// locale this layer reports). A locale that is named but not installed counts by its
// name's codeset suffix. Reads the environment on every call; GetACP caches the answer.
unsigned DetectAnsiCodePage();

// The OEM page that goes with an ANSI page: on a UTF-8 system 65001, as on Windows with
// UTF-8 as the system code page; otherwise 437, the English-US OEM page.
unsigned OemCodePageFor(unsigned ansi_code_page);

// True for the names glibc and the BSDs give UTF-8: "UTF-8", "utf8", any case.
bool IsUtf8CodesetName(const char* codeset);

}  // namespace platform::text
