#include <windows.h>

#include <cstring>

#include "platform/filter.h"
#include "wordfilt/component/isolated_load.h"
#include "wordfilt/component/isolated_result.h"
#include "wordfilt/isolation/channel_win.h"
#include "wordfilt/isolation/worker_pool.h"

namespace wordfilt {
namespace {

// The results the storage functions give for the same failures.
HRESULT OpenFailure(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FILTER_E_ACCESS;
    case ERROR_FILE_NOT_FOUND: return STG_E_FILENOTFOUND;
    case ERROR_PATH_NOT_FOUND: return STG_E_PATHNOTFOUND;
    case ERROR_TOO_MANY_OPEN_FILES: return STG_E_TOOMANYOPENFILES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return E_OUTOFMEMORY;
    default: return E_FAIL;
  }
}

bool StartsWithSignature(HANDLE file) {
  unsigned char head[8] = {};
  OVERLAPPED at{};
  DWORD got = 0;
  return ReadFile(file, head, sizeof head, &got, &at) && got == sizeof head &&
         std::memcmp(head, kCompoundSignature, sizeof head) == 0;
}

}  // namespace

HRESULT IsolatedLoadFile(isolation::WorkerPool& pool, LPCOLESTR path, DocumentText* doc) noexcept {
  try {
    // Shared for everything: the host's other readers and writers keep going.
    isolation::UniqueHandle file(CreateFileW(reinterpret_cast<LPCWSTR>(path), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
    if (!file.Valid()) return OpenFailure(GetLastError());
    // A pipe or device under a document's name must not hang the worker.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) return FILTER_E_UNKNOWNFORMAT;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return E_FAIL;
    const auto bytes = static_cast<std::uint64_t>(size.QuadPart);
    if (bytes > kMaxPlainFile && !StartsWithSignature(file.Get())) return FILTER_E_UNKNOWNFORMAT;
    return RunFileJob(pool, file.Get(), bytes, doc);
  } catch (...) {
    *doc = DocumentText();
    return E_OUTOFMEMORY;
  }
}

}  // namespace wordfilt
