// wordfilt-worker: parses the documents the server module hands it, one at a
// time, over the channel it inherits as descriptor 3. It opens nothing itself:
// files arrive open, storages arrive stream by stream.
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "platform/storage/byte_sources_posix.h"
#include "wordfilt/doc/extract.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/isolation/channel_posix.h"
#include "wordfilt/isolation/shared_region.h"
#include "wordfilt/worker/sandbox_posix.h"
#include "wordfilt/worker/watchdog_posix.h"
#ifdef WORDFILT_WORKER_FAULTS
#include "wordfilt/worker/faults.h"
#endif

#if defined(__SANITIZE_ADDRESS__)
#define WORDFILT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WORDFILT_ASAN 1
#endif
#endif

namespace wordfilt {
namespace worker {
namespace {

using isolation::Deadline;
using isolation::IoResult;
using isolation::MessageType;
using isolation::Outcome;

constexpr int kChannel = 3;
constexpr int kRegion = 4;  // the shared region, when the module made one
// The module never sends a stream larger than the memory limit allows.
constexpr std::size_t kMaxStreamMessage = (std::size_t(1) << 31) + 4;

bool g_outOfMemory = false;

void OnOutOfMemory() {
  g_outOfMemory = true;
  std::set_new_handler(nullptr);
  throw std::bad_alloc();
}

// The streams of the host's storage, fetched from the module as the parser asks.
class ChannelStreams final : public StreamSource {
 public:
  bool Read(std::u16string_view name, ByteBuffer& out) override {
    out.clear();
    if (!ok_) return false;
    if (isolation::SendMessage(kChannel, MessageType::kStreamRequest, name.data(),
                               name.size() * sizeof(char16_t),
                               Deadline::Forever()) != IoResult::kOk) {
      _exit(2);  // the module is gone or has given up on this document
    }
    MessageType type{};
    if (isolation::ReceiveMessage(kChannel, Deadline::Forever(), kMaxStreamMessage, &type, &out) !=
            IoResult::kOk ||
        type != MessageType::kStreamData || out.size() < 4) {
      _exit(2);
    }
    std::uint32_t found = 0;
    std::memcpy(&found, out.data(), 4);
    out.erase(out.begin(), out.begin() + 4);
#ifdef WORDFILT_WORKER_FAULTS
    if (Misbehave(out.data(), out.size(), kChannel, &faultOutcome, &faultDoc)) ok_ = false;
#endif
    return found != 0;
  }
  bool ok_ = true;
  Outcome faultOutcome = Outcome::kOk;
  DocumentText faultDoc;
};

// Reads the whole file handed over; false when it cannot be read.
bool ReadFile(int fd, std::uint64_t size, ByteBuffer* out) {
  try {
    out->resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::size_t done = 0;
  while (done < out->size()) {
    const ssize_t n = pread(fd, out->data() + done, out->size() - done, static_cast<off_t>(done));
    if (n < 0) return false;
    if (n == 0) break;  // cut short since the module looked: use what is there
    done += static_cast<std::size_t>(n);
  }
  out->resize(done);
  return true;
}

// A compound file is read through its descriptor as the parser asks for its
// streams (pictures and other streams the text does not need stay unread);
// any other file is read whole.
Outcome ParseFile(isolation::UniqueFd file, std::uint64_t size, DocumentText* doc) {
  const int fd = file.Get();
#ifndef WORDFILT_WORKER_FAULTS  // the faulty worker looks for its markers in the whole file
  std::shared_ptr<const platform::cfb::ByteSource> source;
  try {
    source = std::make_shared<platform::cfb::FileSource>(fd, size);
  } catch (const std::bad_alloc&) {
    return Outcome::kOutOfMemory;
  }
  file.Release();  // the source closes it
  // The source keeps the first bytes it reads for the compound file's header.
  std::uint8_t head[8] = {};
  std::size_t got = 0;
  if (source->readAt(0, head, sizeof head, &got) && StartsCompoundFile(head, got)) {
    return isolation::OutcomeOf(ExtractCompoundFrom(std::move(source), *doc));
  }
#endif
  ByteBuffer bytes;  // fd stays open until the source (or `file`) goes
  if (!ReadFile(fd, size, &bytes))
    return g_outOfMemory ? Outcome::kOutOfMemory : Outcome::kUnreadable;
#ifdef WORDFILT_WORKER_FAULTS
  Outcome fault{};
  if (Misbehave(bytes.data(), bytes.size(), kChannel, &fault, doc)) return fault;
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

// A reply to a file goes through the region when it fits and the module wants
// it there (not while it still reads an earlier reply's text in place); the
// module is sent a message only when it went to sleep waiting for it. *silent
// tells whether nothing was sent.
bool SendFileReply(isolation::SharedRegion* region, const isolation::ReplyParts& reply,
                   bool* silent) {
  *silent = false;
  if (region && region->Wanted() && region->Write(reply)) {
    if (!region->Publish(isolation::SharedState::kInRegion)) {
      *silent = true;
      return true;
    }
    return isolation::SendMessage(kChannel, MessageType::kResultShared, nullptr, 0,
                                  Deadline::Forever()) == IoResult::kOk;
  }
  // Said before the reply goes, never after: once the module has the reply it
  // arms the state for its next document, which a later write would undo.
  if (region) region->Publish(isolation::SharedState::kOnChannel);
  return isolation::SendReply(kChannel, MessageType::kResult, reply, Deadline::Forever()) ==
         IoResult::kOk;
}

int Serve(isolation::SharedRegion* region) {
  // After a reply the module had to read from the socket, wait in poll: its
  // reading would wake a blocked read for nothing.
  bool silent = false;
  for (;;) {
    MessageType type{};
    ByteBuffer payload;
    isolation::UniqueFd file;
    const IoResult io =
        isolation::ReceiveMessage(kChannel, Deadline::Forever(), 64, &type, &payload, &file,
                                  silent ? isolation::WaitIn::kRead : isolation::WaitIn::kPoll);
    if (io == IoResult::kClosed) return 0;  // the module let this worker go
    if (io != IoResult::kOk) return 2;
    DocumentText doc;
    Outcome outcome = Outcome::kNotWord;
    g_outOfMemory = false;
    std::set_new_handler(OnOutOfMemory);
    DocumentStarted();
    const bool isFile = type == MessageType::kParseFile;
    if (isFile && file.Get() >= 0 && payload.size() == 8) {
      std::uint64_t size = 0;
      std::memcpy(&size, payload.data(), 8);
      outcome = ParseFile(std::move(file), size, &doc);
      file.Reset();
    } else if (type == MessageType::kParseStorage && file.Get() < 0 && payload.empty()) {
      outcome = ParseStorage(&doc);
    } else {
      return 2;
    }
    DocumentEnded();
    std::set_new_handler(nullptr);
    if (outcome != Outcome::kOk && g_outOfMemory) outcome = Outcome::kOutOfMemory;
    const isolation::ReplyParts reply = isolation::EncodeReplyParts(outcome, doc);
    silent = false;
    if (isFile) {
      if (!SendFileReply(region, reply, &silent)) return 2;
    } else if (isolation::SendReply(kChannel, MessageType::kResult, reply, Deadline::Forever()) !=
               IoResult::kOk) {
      return 2;
    }
  }
}

}  // namespace
}  // namespace worker
}  // namespace wordfilt

int main(int argc, char** argv) {
  const unsigned timeout =
      argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 30;
  // Documents follow one another: freed memory stays for the next one rather
  // than going back to the system and being faulted in again.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  // Should the module die while a document spins, the worker still ends; the
  // module's own deadline (the timeout) comes first.
  if (!wordfilt::worker::StartWatchdog((timeout ? timeout : 30) + 2)) return 2;
  // Mapped before the sandbox closes in; without it, replies take the channel.
  std::unique_ptr<wordfilt::isolation::SharedRegion> region;
  if (fcntl(wordfilt::worker::kRegion, F_GETFD) >= 0)
    region = wordfilt::isolation::SharedRegion::Attach(wordfilt::worker::kRegion);
  std::uint32_t ready[2] = {0, region ? 1u : 0u};
#ifndef WORDFILT_ASAN
  // The sanitizer's reports and leak check need files and threads.
  ready[0] = wordfilt::worker::EnterSandbox() ? 1 : 0;
#endif
  if (wordfilt::isolation::SendMessage(3, wordfilt::isolation::MessageType::kReady, ready,
                                       sizeof ready, wordfilt::isolation::Deadline::Forever()) !=
      wordfilt::isolation::IoResult::kOk) {
    return 2;
  }
  return wordfilt::worker::Serve(region.get());
}
