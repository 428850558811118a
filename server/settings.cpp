#include "server/settings.h"

#include <cstring>
#include <new>

#include "host/stream_info.h"
#include "platform/profile.h"

namespace {

std::unique_ptr<char[]> CopyOf(const char* s) {
  std::size_t size = std::strlen(s) + 1;
  std::unique_ptr<char[]> copy(new (std::nothrow) char[size]);
  if (copy) std::memcpy(copy.get(), s, size);
  return copy;
}

}  // namespace

CFltSettings::CFltSettings() = default;

CFltSettings::~CFltSettings() = default;

BOOL CFltSettings::SetFile(const char* pszFile, const char* pszSection) {
  if (!pszFile || !pszSection) return FALSE;
  m_pszSection = CopyOf(pszSection);
  m_pszFile = CopyOf(pszFile);
  if (!m_pszSection || !m_pszFile) {
    m_pszSection.reset();
    m_pszFile.reset();
    return FALSE;
  }
  return TRUE;
}

DWORD CFltSettings::GetSection(char* pBuffer, DWORD cbBuffer) const {
  if (!pBuffer || !m_pszFile || !m_pszSection) return 0;
  return GetPrivateProfileSectionA(m_pszSection.get(), pBuffer, cbBuffer, m_pszFile.get());
}

BOOL CFltSettings::WriteSection(const char* pszText) const {
  if (!m_pszFile || !m_pszSection) return FALSE;
  return WritePrivateProfileSectionA(m_pszSection.get(), pszText, m_pszFile.get());
}

const char* CFltSettings::GetString(const char* pszKey, const char* pszDefault,
                                    char* pszBuffer) const {
  const char* fallback = pszDefault ? pszDefault : "";
  // Without a file the platform would read a file of its own choosing.
  if (!pszBuffer || !m_pszFile || !m_pszSection) return fallback;
  DWORD n = GetPrivateProfileStringA(m_pszSection.get(), pszKey, pszDefault, pszBuffer,
                                     FLT_MAX_PATH, m_pszFile.get());
  return n ? pszBuffer : fallback;
}
