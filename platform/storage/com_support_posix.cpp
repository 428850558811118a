// Result translation, STATSTG filling and the task allocator for the POSIX
// structured-storage objects.
#ifndef _WIN32
#include <cstdlib>
#include <cstring>

#include "platform/filter.h"
#include "platform/storage/com_objects.h"

LPVOID CoTaskMemAlloc(SIZE_T bytes) { return std::malloc(bytes ? bytes : 1); }
void CoTaskMemFree(LPVOID p) { std::free(p); }

HRESULT PropVariantClear(PROPVARIANT* pvar) {
  if (!pvar) return S_OK;
  switch (pvar->vt) {
    case VT_EMPTY:
    case VT_I2:
    case VT_I4: break;
    case VT_LPSTR: CoTaskMemFree(pvar->pszVal); break;
    case VT_LPWSTR: CoTaskMemFree(pvar->pwszVal); break;
    default: return DISP_E_BADVARTYPE;
  }
  std::memset(pvar, 0, sizeof(*pvar));
  return S_OK;
}

namespace platform::cfb {

HRESULT ToHresult(Status s) {
  switch (s) {
    case Status::kOk: return S_OK;
    case Status::kNotCompoundFile: return STG_E_FILEALREADYEXISTS;  // what Windows answers
    case Status::kOldFormat: return STG_E_OLDFORMAT;
    case Status::kShortHeader: return STG_E_READFAULT;
    case Status::kBadHeader: return STG_E_INVALIDHEADER;
    case Status::kCorrupt: return STG_E_DOCFILECORRUPT;
    case Status::kTruncated: return STG_E_READFAULT;
    case Status::kNotFound: return STG_E_FILENOTFOUND;
    case Status::kWrongType: return STG_E_FILENOTFOUND;
    case Status::kNoMemory: return STG_E_INSUFFICIENTMEMORY;
    case Status::kReadFailed: return STG_E_READFAULT;
  }
  return STG_E_UNKNOWN;
}

HRESULT FillStat(const DirEntry& e, DWORD type, std::uint64_t size, DWORD mode, DWORD flags,
                 const std::u16string* name, STATSTG* out) {
  if (!out) return STG_E_INVALIDPOINTER;
  if (flags & ~DWORD(STATFLAG_NONAME | STATFLAG_NOOPEN)) return STG_E_INVALIDFLAG;
  std::memset(out, 0, sizeof(*out));
  if (!(flags & STATFLAG_NONAME) && name && !name->empty()) {
    auto* copy = static_cast<OLECHAR*>(CoTaskMemAlloc((name->size() + 1) * sizeof(OLECHAR)));
    if (!copy) return STG_E_INSUFFICIENTMEMORY;
    std::memcpy(copy, name->data(), name->size() * sizeof(OLECHAR));
    copy[name->size()] = 0;
    out->pwcsName = copy;
  }
  out->type = type;
  out->cbSize.QuadPart = size;
  out->ctime.dwLowDateTime = DWORD(e.createTime);
  out->ctime.dwHighDateTime = DWORD(e.createTime >> 32);
  out->mtime.dwLowDateTime = DWORD(e.modifyTime);
  out->mtime.dwHighDateTime = DWORD(e.modifyTime >> 32);
  out->grfMode = mode;
  static_assert(sizeof(out->clsid) == 16, "CLSID layout");
  std::memcpy(&out->clsid, e.clsid.data(), 16);
  out->grfStateBits = e.stateBits;
  return S_OK;
}

HRESULT CheckElementMode(DWORD mode, DWORD parent) {
  const DWORD access = mode & 3;
  // Elements are opened exclusively, and with no more access than the parent.
  if (access == 3 || (mode & 0x70) != STGM_SHARE_EXCLUSIVE) return STG_E_INVALIDFLAG;
  if (access != STGM_READ && (parent & 3) == STGM_READ) return STG_E_INVALIDFLAG;
  if (mode & (STGM_CREATE | STGM_CONVERT | STGM_DELETEONRELEASE)) return STG_E_INVALIDFLAG;
  return S_OK;
}

}  // namespace platform::cfb
#endif
