// Parsing in a worker process: the module's pool of workers, set up once from
// the settings beside the module, and loading a document through it.
#pragma once

#include <string>

#include "platform/com.h"
#include "wordfilt/doc/document_text.h"

namespace wordfilt {

namespace isolation {
class WorkerPool;
}

// Reads the settings beside the module (writing the defaults when missing) and,
// in isolated mode, prepares the pool of workers found beside it. Once per
// module; later calls do nothing.
void StartModuleIsolation(const std::string& modulePath) noexcept;

// The pool when documents are parsed in workers; null when they are parsed in
// this process (the setting, a platform without workers, or a component not
// loaded as the module).
isolation::WorkerPool* ModuleWorkers() noexcept;

// Load results for a document parsed in a worker: the parser's own codes, or
// one of these when the worker failed it.
constexpr HRESULT kWorkerStartFailed =
    static_cast<HRESULT>(0x80080005L);                                  // CO_E_SERVER_EXEC_FAILURE
constexpr HRESULT kWorkerTimedOut = static_cast<HRESULT>(0x800705B4L);  // ERROR_TIMEOUT
constexpr HRESULT kWorkerDied = static_cast<HRESULT>(0x8007042BL);      // ERROR_PROCESS_ABORTED
constexpr HRESULT kWorkerBadReply = static_cast<HRESULT>(0x8007000DL);  // ERROR_INVALID_DATA

// The document at `path`, opened here and handed to a worker open.
HRESULT IsolatedLoadFile(isolation::WorkerPool& pool, LPCOLESTR path, DocumentText* doc) noexcept;
// The document in `storage`: the worker is sent the streams it asks for.
HRESULT IsolatedLoadStorage(isolation::WorkerPool& pool, IStorage* storage,
                            DocumentText* doc) noexcept;

}  // namespace wordfilt
