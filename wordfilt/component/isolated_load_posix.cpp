#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/filter.h"
#include "platform/path.h"
#include "wordfilt/component/isolated_load.h"
#include "wordfilt/component/isolated_result.h"
#include "wordfilt/isolation/channel_posix.h"
#include "wordfilt/isolation/worker_pool.h"

namespace wordfilt {
namespace {

// The results the storage functions give for the same failures.
HRESULT OpenFailure(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return FILTER_E_ACCESS;
    case ENOENT: return STG_E_FILENOTFOUND;
    case ENOTDIR: return STG_E_PATHNOTFOUND;
    case EMFILE:
    case ENFILE: return STG_E_TOOMANYOPENFILES;
    case ENOMEM: return E_OUTOFMEMORY;
    default: return E_FAIL;
  }
}

}  // namespace

HRESULT IsolatedLoadFile(isolation::WorkerPool& pool, LPCOLESTR path, DocumentText* doc) noexcept {
  try {
    const std::string name =
        platform::NarrowPath(std::u16string_view(reinterpret_cast<const char16_t*>(path)));
    // Non-blocking: a pipe or device under a document's name must not hang the host.
    isolation::UniqueFd file(open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) return OpenFailure(errno);
    struct stat st {};
    if (fstat(file.Get(), &st) != 0) return E_FAIL;
    if (!S_ISREG(st.st_mode)) return FILTER_E_UNKNOWNFORMAT;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxPlainFile) {
      unsigned char head[8] = {};
      if (pread(file.Get(), head, sizeof head, 0) != 8 ||
          std::memcmp(head, kCompoundSignature, 8) != 0) {
        return FILTER_E_UNKNOWNFORMAT;
      }
    }
    return RunFileJob(pool, file.Get(), size, doc);
  } catch (...) {
    *doc = DocumentText();
    return E_OUTOFMEMORY;
  }
}

}  // namespace wordfilt
