// wordfilt-worker.exe: parses the documents the server module hands it, one at
// a time, over the named pipe given on its command line (with its deadline in
// seconds and its memory cap in MiB). It opens nothing but the pipe: files
// arrive as handles duplicated into it, storages arrive stream by stream. The
// module's job object kills it when the module goes.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "wordfilt/doc/extract.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/isolation/channel_win.h"
#include "wordfilt/worker/allocation_cap.h"
#include "wordfilt/worker/handle_source_win.h"
#ifdef WORDFILT_WORKER_FAULTS
#include "wordfilt/worker/faults.h"
#endif

namespace wordfilt {
namespace worker {
namespace {

using isolation::Channel;
using isolation::Deadline;
using isolation::IoResult;
using isolation::MessageType;
using isolation::Outcome;
using isolation::UniqueHandle;

// The module never sends a stream larger than the memory limit allows.
constexpr std::size_t kMaxStreamMessage = (std::size_t(1) << 31) + 4;

Channel g_channel;
bool g_outOfMemory = false;

void OnOutOfMemory() {
  g_outOfMemory = true;
  std::set_new_handler(nullptr);
  throw std::bad_alloc();
}

// A crash ends the worker at once: no debugger, no error box, no report.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

// The streams of the host's storage, fetched from the module as the parser asks.
class ChannelStreams final : public StreamSource {
 public:
  bool Read(std::u16string_view name, ByteBuffer& out) override {
    out.clear();
    if (!ok_) return false;
    if (isolation::SendMessage(g_channel, MessageType::kStreamRequest, name.data(),
                               name.size() * sizeof(char16_t),
                               Deadline::Forever()) != IoResult::kOk) {
      ExitProcess(2);  // the module is gone or has given up on this document
    }
    MessageType type{};
    if (isolation::ReceiveMessage(g_channel, Deadline::Forever(), kMaxStreamMessage, &type, &out) !=
            IoResult::kOk ||
        type != MessageType::kStreamData || out.size() < 4) {
      ExitProcess(2);
    }
    std::uint32_t found = 0;
    std::memcpy(&found, out.data(), 4);
    out.erase(out.begin(), out.begin() + 4);
#ifdef WORDFILT_WORKER_FAULTS
    if (Misbehave(out.data(), out.size(), g_channel.pipe, &faultOutcome, &faultDoc)) ok_ = false;
#endif
    return found != 0;
  }
  bool ok_ = true;
  Outcome faultOutcome = Outcome::kOk;
  DocumentText faultDoc;
};

// Reads the whole file handed over; false when it cannot be read.
bool ReadFile(HANDLE file, std::uint64_t size, ByteBuffer* out) {
  if (size > SIZE_MAX) return false;
  try {
    out->resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::size_t got = 0;
  if (!ReadHandleAt(file, 0, out->data(), out->size(), &got)) return false;
  out->resize(got);  // cut short since the module looked: use what is there
  return true;
}

// A compound file is read through its handle as the parser asks for its
// streams; any other file is read whole.
Outcome ParseFile(UniqueHandle file, std::uint64_t size, DocumentText* doc) {
  const HANDLE handle = file.Get();
#ifndef WORDFILT_WORKER_FAULTS  // the faulty worker looks for its markers in the whole file
  std::uint8_t head[8] = {};
  std::size_t got = 0;
  if (ReadHandleAt(handle, 0, head, sizeof head, &got) && StartsCompoundFile(head, got)) {
    std::shared_ptr<const platform::cfb::ByteSource> source;
    try {
      source = std::make_shared<HandleSource>(std::move(file), size);
    } catch (const std::bad_alloc&) {
      return Outcome::kOutOfMemory;
    }
    return isolation::OutcomeOf(ExtractCompoundFrom(std::move(source), *doc));
  }
#endif
  ByteBuffer bytes;
  if (!ReadFile(handle, size, &bytes))
    return g_outOfMemory ? Outcome::kOutOfMemory : Outcome::kUnreadable;
  file.Reset();
#ifdef WORDFILT_WORKER_FAULTS
  Outcome fault{};
  if (Misbehave(bytes.data(), bytes.size(), g_channel.pipe, &fault, doc)) return fault;
#endif
  return isolation::OutcomeOf(ExtractAnyFormat(bytes.data(), bytes.size(), *doc));
}

Outcome ParseStorage(DocumentText* doc) {
  ChannelStreams streams;
  const Outcome outcome = isolation::OutcomeOf(ExtractText(streams, *doc));
  if (!streams.ok_) {
    *doc = std::move(streams.faultDoc);
    return streams.faultOutcome;
  }
  return outcome;
}

int Serve() {
  for (;;) {
    MessageType type{};
    ByteBuffer payload;
    UniqueHandle file;
    const IoResult io =
        isolation::ReceiveMessage(g_channel, Deadline::Forever(), 64, &type, &payload, &file);
    if (io == IoResult::kClosed) return 0;  // the module let this worker go
    if (io != IoResult::kOk) return 2;
    DocumentText doc;
    Outcome outcome = Outcome::kNotWord;
    g_outOfMemory = false;
    std::set_new_handler(OnOutOfMemory);
    if (type == MessageType::kParseFile && file.Valid() && payload.size() == 8) {
      std::uint64_t size = 0;
      std::memcpy(&size, payload.data(), 8);
      outcome = ParseFile(std::move(file), size, &doc);
    } else if (type == MessageType::kParseStorage && !file.Valid() && payload.empty()) {
      outcome = ParseStorage(&doc);
    } else {
      return 2;
    }
    std::set_new_handler(nullptr);
    if (outcome != Outcome::kOk && g_outOfMemory) outcome = Outcome::kOutOfMemory;
    const std::vector<std::uint8_t> reply = isolation::EncodeReply(outcome, doc);
    doc = DocumentText();
    if (isolation::SendMessage(g_channel, MessageType::kResult, reply.data(), reply.size(),
                               Deadline::Forever()) != IoResult::kOk) {
      return 2;
    }
  }
}

}  // namespace
}  // namespace worker
}  // namespace wordfilt

int main(int argc, char** argv) {
  using namespace wordfilt;
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(worker::EndOnCrash);
  if (argc < 4) return 2;
  const std::uint64_t cap = std::uint64_t(std::strtoul(argv[2], nullptr, 10)) << 20;
  worker::SetAllocationCap(cap > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(cap));
  isolation::UniqueHandle pipe(CreateFileA(argv[3], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!pipe.Valid()) return 2;
  isolation::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.Valid()) return 2;
  worker::g_channel.pipe = pipe.Get();
  worker::g_channel.event = event.Get();
  // Nothing sandboxes this worker beyond its job object.
  const std::uint32_t sandboxed = 0;
  if (isolation::SendMessage(worker::g_channel, isolation::MessageType::kReady, &sandboxed,
                             sizeof sandboxed,
                             isolation::Deadline::Forever()) != isolation::IoResult::kOk) {
    return 2;
  }
  return worker::Serve();
}
