// Files on POSIX with the Windows calls' results. A file handle is a small heap
// record around a descriptor, so a stray or stale handle is refused instead of
// writing to whatever descriptor has its number.
#ifndef _WIN32
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  // renameat2
#endif
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/files.h"

namespace {

constexpr std::uint64_t kHandleMagic = 0x656C6946746C6644ull;  // tells our handles apart

struct FileHandle {
  std::uint64_t magic;
  int fd;
};

FileHandle* FromHandle(HANDLE h) {
  if (!h || h == INVALID_HANDLE_VALUE) return nullptr;
  auto* f = static_cast<FileHandle*>(h);
  return f->magic == kHandleMagic ? f : nullptr;
}

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST:
    case ENOTEMPTY: return ERROR_ALREADY_EXISTS;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_WRITE_FAULT;
  }
}

BOOL FailWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// <base><number in hex>.TMP; base is at most MAX_PATH - 10 characters, so the
// name with its NUL fits MAX_PATH.
void FormatName(char* out, const char* base, size_t baseLen, UINT number) {
  static const char kHex[] = "0123456789ABCDEF";
  char digits[4];
  int n = 0;
  number &= 0xFFFFu;
  do {
    digits[n++] = kHex[number & 0xF];
    number >>= 4;
  } while (number && n < 4);
  std::memcpy(out, base, baseLen);
  size_t at = baseLen;
  while (n > 0) out[at++] = digits[--n];
  std::memcpy(out + at, ".TMP", 5);
}

// Where the search for a free number starts: differs between processes and
// between calls, as the tick count does on Windows.
UINT StartNumber() {
  static std::atomic<unsigned> calls{0};
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const unsigned mix = static_cast<unsigned>(ts.tv_nsec) ^ static_cast<unsigned>(ts.tv_sec) ^
                       (static_cast<unsigned>(getpid()) << 7) ^ (calls++ * 40503u);
  return (mix & 0xFFFFu) ? (mix & 0xFFFFu) : 1u;
}

}  // namespace

UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
  if (!pathName || !tempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t dirLen = std::strlen(pathName);
  if (dirLen > MAX_PATH - 14) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return 0;
  }
  // Directory, separator and at most three characters of the prefix; the
  // longest name, "FFFF.TMP" and the NUL included, still fits MAX_PATH.
  char base[MAX_PATH];
  size_t len = dirLen;
  std::memcpy(base, pathName, dirLen);
  if (len == 0 || !IsSeparator(base[len - 1])) base[len++] = '/';
  for (int i = 0; prefix && prefix[i] && i < 3; ++i) base[len++] = prefix[i];
  base[len] = '\0';

  if (unique != 0) {
    FormatName(tempFileName, base, len, unique);
    return unique;
  }
  const UINT start = StartNumber();
  UINT n = start;
  do {
    char name[MAX_PATH];
    FormatName(name, base, len, n);
    // O_EXCL: picking the name and creating the file are one step, so two
    // callers never get the same name.
    const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      std::memcpy(tempFileName, name, std::strlen(name) + 1);
      return n;
    }
    if (errno != EEXIST) {
      SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
      return 0;
    }
    n = n == 0xFFFFu ? 1u : n + 1;
  } while (n != start);
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, void*, DWORD disposition, DWORD,
                   HANDLE) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  const bool reading = access & GENERIC_READ;
  const bool writing = access & GENERIC_WRITE;
  flags |= reading && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  auto* handle = new (std::nothrow) FileHandle{kHandleMagic, -1};
  if (!handle) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  // Refuse a file another exclusive opener holds before truncating it.
  const int truncate = flags & O_TRUNC;
  int fd;
  do {
    fd = open(fileName, flags & ~O_TRUNC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno));
    delete handle;
    return INVALID_HANDLE_VALUE;
  }
  // An empty file is not truncated again: on ext4, truncating to zero marks
  // the file for a forced write-out on close, which costs a disk write for
  // every temporary copy (they are always created empty first).
  struct stat st;
  if ((shareMode == 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) ||
      (truncate && (fstat(fd, &st) != 0 || (st.st_size != 0 && ftruncate(fd, 0) != 0)))) {
    SetLastError(ErrorFromErrno(errno));
    close(fd);
    delete handle;
    return INVALID_HANDLE_VALUE;
  }
  handle->fd = fd;
  return handle;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD written, void* overlapped) {
  if (written) *written = 0;
  FileHandle* f = FromHandle(file);
  if (!f) return FailWith(ERROR_INVALID_HANDLE);
  if (overlapped || (!buffer && bytes)) return FailWith(ERROR_INVALID_PARAMETER);
  const char* p = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < bytes) {
    const ssize_t n = write(f->fd, p + done, bytes - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      return FailWith(ErrorFromErrno(errno));
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  FileHandle* f = FromHandle(handle);
  if (!f) return FailWith(ERROR_INVALID_HANDLE);
  f->magic = 0;
  const int rc = close(f->fd);
  delete f;
  // The descriptor is gone even when close reports an error (Linux).
  return rc == 0 || errno == EINTR ? TRUE : FailWith(ErrorFromErrno(errno));
}

BOOL MoveFileA(LPCSTR existingName, LPCSTR newName) {
  if (!existingName || !newName) return FailWith(ERROR_INVALID_PARAMETER);
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, existingName, AT_FDCWD, newName, RENAME_NOREPLACE) == 0) return TRUE;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    return FailWith(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno));
  }
#endif
  // File systems without an exclusive rename: a hard link fails when the new
  // name exists, so the test and the rename are still one step.
  struct stat st {};
  if (lstat(existingName, &st) != 0) return FailWith(ErrorFromErrno(errno));
  if (S_ISDIR(st.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
  if (link(existingName, newName) != 0) {
    return FailWith(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno));
  }
  if (unlink(existingName) != 0) {
    const int e = errno;
    unlink(newName);
    return FailWith(ErrorFromErrno(e));
  }
  return TRUE;
}

int _access(const char* path, int mode) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  // The runtime's modes have the same values as POSIX's F_OK, W_OK and R_OK.
  return access(path, mode & (R_OK | W_OK));
}

#endif  // _WIN32
