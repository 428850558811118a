#include "host/record.h"

#include <cstdint>

#include "platform/filter.h"

bool HasFileName(FILTEREDSTREAMINFO* pInfo) {
  if (!pInfo || pInfo->cbSize <= kFltRecordFileNameOffset || !pInfo->pfnGetFileName) return false;
  char scratch[FLT_MAX_PATH] = {};
  if (!pInfo->pfnGetFileName(pInfo, scratch, FLT_MAX_PATH)) return false;
  return scratch[0] != '\0';
}

FLTRESULT GetFileName(FILTEREDSTREAMINFO* pInfo, char* pszPath) {
  if (!pszPath || !pInfo || !pInfo->pfnGetFileName) return FLT_ERR_INVALID;
  pszPath[0] = '\0';
  if (!pInfo->pfnGetFileName(pInfo, pszPath, FLT_MAX_PATH)) return FLT_ERR_INVALID;
  // A host that fills the whole buffer without a terminator must not make us
  // read past it.
  pszPath[FLT_MAX_PATH - 1] = '\0';
  return pszPath[0] ? FLT_OK : FLT_ERR_INVALID;
}

bool HasCodePageCallback(const FILTEREDSTREAMINFO* pInfo) {
  return pInfo && pInfo->cbSize > kFltRecordCodePageOffset && pInfo->pfnGetFileName &&
         pInfo->pfnGetCodePage;
}

LONG GetCodePage(FILTEREDSTREAMINFO* pInfo) {
  if (!pInfo || !pInfo->pfnGetCodePage) return FLT_CP_DEFAULT;
  return pInfo->pfnGetCodePage(pInfo);
}

FLTRESULT MapFilterError(HRESULT hr) {
  switch (static_cast<std::uint32_t>(hr)) {
    case 0x00000000u: return FLT_OK;
    case 0x80041703u: return FLT_ERR_ACCESS;
    case 0x8004170Bu: return FLT_ERR_PASSWORD;
    case 0x8004170Cu: return FLT_ERR_FORMAT;
    default: return FLT_ERR_FAILED;
  }
}
