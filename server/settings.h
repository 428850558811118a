// CFltSettings: one section of a profile (INI) file, read and written through
// the platform's profile functions. The object keeps no file open.
#pragma once

#include <memory>

#include "platform/win_types.h"

// Section, keys and default body of the library's settings file.
constexpr char kFltSettingsSection[] = "SETTINGS";
constexpr char kFltKeyTmpDir[] = "TMPDIR";
constexpr char kFltKeyServerFileName[] = "SERVERFILENAME";

// The seven lines written into a settings file whose section is missing or
// empty, each ended by CR LF: 166 characters. The profile write takes a list of
// NUL-terminated lines ended by an extra NUL, so the text carries a second NUL:
// one NUL alone would let the write run on into whatever follows in memory.
constexpr char kFltDefaultSettings[] =
    "'Directory for storing temporary files.\r\n"
    "'Example: TMPDIR=C:\\Temp'\r\n"
    "TMPDIR=\r\n"
    "\r\n"
    "'Path to custom IFilter.\r\n"
    "'Example: SERVERFILENAME=C:\\MyIFilter.dll'\r\n"
    "SERVERFILENAME=\r\n"
    "\0";
constexpr std::size_t kFltDefaultSettingsLength = 166;
static_assert(sizeof(kFltDefaultSettings) == kFltDefaultSettingsLength + 2,
              "default settings text");

class CFltSettings {
 public:
  CFltSettings();
  // Copies the file path and section name; 0 (and no change) when either is
  // null, 0 (and no file) when a copy cannot be allocated.
  virtual BOOL SetFile(const char* pszFile, const char* pszSection);
  virtual ~CFltSettings();

  // The whole section into the buffer; 0 when there is no buffer, no file, no
  // such section or no line in it.
  DWORD GetSection(char* pBuffer, DWORD cbBuffer) const;
  // Makes the double-NUL-terminated text the section's whole body.
  BOOL WriteSection(const char* pszText) const;
  // The key's value in a buffer of FLT_MAX_PATH bytes when present and not
  // empty, else the default (or "" for a null default). Never null.
  const char* GetString(const char* pszKey, const char* pszDefault, char* pszBuffer) const;

  CFltSettings(const CFltSettings&) = delete;
  CFltSettings& operator=(const CFltSettings&) = delete;

 private:
  std::unique_ptr<char[]> m_pszSection;
  std::unique_ptr<char[]> m_pszFile;
};
