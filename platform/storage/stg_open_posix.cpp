// Opening compound files as storages: from a lock-bytes object or by path.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "platform/path.h"
#include "platform/storage/byte_sources_posix.h"
#include "platform/storage/com_objects.h"

namespace {

using platform::cfb::CompoundFile;
using platform::cfb::Status;

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint64_t kHeaderBytes = 512;

// The checks Windows makes on an opening mode; this reader never writes, so
// write access is accepted and the writes themselves are refused.
HRESULT CheckRootMode(DWORD mode) {
  const DWORD share = mode & 0x70;
  if ((mode & 3) == 3 || share > STGM_SHARE_DENY_NONE) return STG_E_INVALIDFLAG;
  if (share == 0 && !(mode & STGM_TRANSACTED)) return STG_E_INVALIDFLAG;
  if (mode & (STGM_CREATE | STGM_CONVERT | STGM_DELETEONRELEASE)) return STG_E_INVALIDFLAG;
  return S_OK;
}

HRESULT OpenOn(std::shared_ptr<const platform::cfb::ByteSource> source, DWORD mode,
               std::u16string rootName, IStorage** out) {
  Status s = Status::kOk;
  std::shared_ptr<const CompoundFile> file = CompoundFile::Open(std::move(source), &s);
  if (!file) return platform::cfb::ToHresult(s);
  return platform::cfb::NewStorageObject(std::move(file), platform::cfb::kRootEntry, mode,
                                         std::move(rootName), out);
}

HRESULT ErrnoToHresult(int err, const std::string& path) {
  switch (err) {
    case ENOENT: {
      // A missing folder on the way reads as a bad path, a missing file as such.
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos && slash > 0) {
        struct stat st;
        if (stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
          return STG_E_PATHNOTFOUND;
      }
      return STG_E_FILENOTFOUND;
    }
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return STG_E_ACCESSDENIED;
    case EMFILE:
    case ENFILE: return STG_E_TOOMANYOPENFILES;
    case ENOMEM: return STG_E_INSUFFICIENTMEMORY;
    default: return STG_E_READFAULT;
  }
}

// Opens a regular file for reading; never blocks on FIFOs or devices.
HRESULT OpenRegularFile(const OLECHAR* path, int* fd, std::uint64_t* size) {
  std::string narrow;
  try {
    narrow = platform::NarrowPath(path);
  } catch (const std::exception&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  if (narrow.empty()) return STG_E_INVALIDNAME;
  const int f = open(narrow.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (f < 0) return ErrnoToHresult(errno, narrow);
  struct stat st;
  if (fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(f);
    return STG_E_ACCESSDENIED;
  }
  *fd = f;
  *size = std::uint64_t(st.st_size);
  return S_OK;
}

bool HasSignature(const platform::cfb::ByteSource& src) {
  std::uint8_t head[8];
  std::size_t got = 0;
  return src.readAt(0, head, 8, &got) && got == 8 && std::memcmp(head, kSignature, 8) == 0;
}

}  // namespace

HRESULT StgOpenStorageOnILockBytes(ILockBytes* bytes, IStorage*, DWORD mode, SNB, DWORD,
                                   IStorage** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (!bytes) return STG_E_INVALIDPOINTER;
  HRESULT hr = CheckRootMode(mode);
  if (FAILED(hr)) return hr;
  STATSTG st;
  hr = bytes->Stat(&st, STATFLAG_NONAME);
  if (FAILED(hr)) return hr;
  // Data too short for a header fails on reading it, whatever it holds.
  if (st.cbSize.QuadPart < kHeaderBytes) return STG_E_READFAULT;
  try {
    return OpenOn(std::make_shared<platform::cfb::LockBytesSource>(bytes, st.cbSize.QuadPart), mode,
                  std::u16string(), out);
  } catch (const std::exception&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
}

HRESULT StgOpenStorage(const OLECHAR* path, IStorage*, DWORD mode, SNB, DWORD, IStorage** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (!path) return STG_E_INVALIDNAME;
  HRESULT hr = CheckRootMode(mode);
  if (FAILED(hr)) return hr;
  // A file opened directly must keep others from writing under us.
  const DWORD share = mode & 0x70;
  if (!(mode & (STGM_TRANSACTED | STGM_PRIORITY)) && share != STGM_SHARE_EXCLUSIVE &&
      share != STGM_SHARE_DENY_WRITE) {
    return STG_E_INVALIDFLAG;
  }
  int fd = -1;
  std::uint64_t size = 0;
  if (FAILED(hr = OpenRegularFile(path, &fd, &size))) return hr;
  std::shared_ptr<platform::cfb::FileSource> source;
  try {
    source = std::make_shared<platform::cfb::FileSource>(fd, size);
  } catch (const std::exception&) {
    close(fd);
    return STG_E_INSUFFICIENTMEMORY;
  }
  try {
    if (!HasSignature(*source)) return STG_E_FILEALREADYEXISTS;
    return OpenOn(std::move(source), mode, std::u16string(path), out);
  } catch (const std::exception&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
}

HRESULT StgIsStorageILockBytes(ILockBytes* bytes) {
  if (!bytes) return STG_E_INVALIDPOINTER;
  std::uint8_t head[8];
  ULONG got = 0;
  ULARGE_INTEGER at;
  at.QuadPart = 0;
  const HRESULT hr = bytes->ReadAt(at, head, sizeof(head), &got);
  if (FAILED(hr)) return hr;
  return got == sizeof(head) && std::memcmp(head, kSignature, 8) == 0 ? S_OK : S_FALSE;
}

HRESULT StgIsStorageFile(const OLECHAR* path) {
  if (!path) return STG_E_INVALIDNAME;
  int fd = -1;
  std::uint64_t size = 0;
  const HRESULT hr = OpenRegularFile(path, &fd, &size);
  if (FAILED(hr)) return hr;
  platform::cfb::FileSource source(fd, size);
  return HasSignature(source) ? S_OK : S_FALSE;
}
#endif
