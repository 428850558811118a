#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/filter.h"
#include "platform/path.h"
#include "wordfilt/component/isolated_load.h"
#include "wordfilt/component/storage_text.h"
#include "wordfilt/isolation/channel_posix.h"
#include "wordfilt/isolation/worker_pool.h"

namespace wordfilt {
namespace {

using isolation::Failure;
using isolation::Outcome;

// Word 2 files and the other formats are read whole: none is this large.
constexpr std::uint64_t kMaxPlainFile = std::uint64_t(64) << 20;
constexpr unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

HRESULT ResultOf(Failure failure, Outcome outcome) {
  switch (failure) {
    case Failure::kNone: break;
    case Failure::kStart: return kWorkerStartFailed;
    case Failure::kTimedOut: return kWorkerTimedOut;
    case Failure::kDied: return kWorkerDied;
    case Failure::kMalformed: return kWorkerBadReply;
    case Failure::kTooLarge: return E_OUTOFMEMORY;
  }
  switch (outcome) {
    case Outcome::kOk: return S_OK;
    case Outcome::kEncrypted: return FILTER_E_PASSWORD;
    case Outcome::kOutOfMemory: return E_OUTOFMEMORY;
    case Outcome::kUnreadable: return E_FAIL;
    case Outcome::kNotWord:
    case Outcome::kDamaged:
    default: return FILTER_E_UNKNOWNFORMAT;
  }
}

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
    isolation::Job job;
    job.file = file.Get();
    job.fileSize = size;
    Outcome outcome = Outcome::kNotWord;
    const Failure failure = pool.Run(job, &outcome, doc);
    const HRESULT hr = ResultOf(failure, outcome);
    if (FAILED(hr)) *doc = DocumentText();
    return hr;
  } catch (...) {
    *doc = DocumentText();
    return E_OUTOFMEMORY;
  }
}

HRESULT IsolatedLoadStorage(isolation::WorkerPool& pool, IStorage* storage,
                            DocumentText* doc) noexcept {
  try {
    isolation::Job job;
    job.readStream = [storage](std::u16string_view name, ByteBuffer& out) {
      return ReadDocumentStream(storage, name, out);
    };
    Outcome outcome = Outcome::kNotWord;
    const Failure failure = pool.Run(job, &outcome, doc);
    const HRESULT hr = ResultOf(failure, outcome);
    if (FAILED(hr)) *doc = DocumentText();
    return hr;
  } catch (...) {
    *doc = DocumentText();
    return E_OUTOFMEMORY;
  }
}

}  // namespace wordfilt
