#include "wordfilt/component/isolated_load.h"

#include "platform/filter.h"
#include "wordfilt/component/isolated_result.h"
#include "wordfilt/component/storage_text.h"
#include "wordfilt/isolation/worker_pool.h"

namespace wordfilt {

using isolation::Failure;
using isolation::Outcome;

HRESULT IsolatedResult(Failure failure, Outcome outcome) {
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

HRESULT RunFileJob(isolation::WorkerPool& pool, isolation::FileRef file, std::uint64_t size,
                   DocumentText* doc) {
  isolation::Job job;
  job.file = file;
  job.fileSize = size;
  job.textInPlace = true;  // the filter serves it from there, copying it once
  isolation::Outcome outcome = isolation::Outcome::kNotWord;
  const isolation::Failure failure = pool.Run(job, &outcome, doc);
  const HRESULT hr = IsolatedResult(failure, outcome);
  if (FAILED(hr)) *doc = DocumentText();
  return hr;
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
    const HRESULT hr = IsolatedResult(failure, outcome);
    if (FAILED(hr)) *doc = DocumentText();
    return hr;
  } catch (...) {
    *doc = DocumentText();
    return E_OUTOFMEMORY;
  }
}

}  // namespace wordfilt
