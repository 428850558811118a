// The region a worker leaves its replies in: what each side may assume of the
// other, and what the module refuses when the worker lies.
#include "wordfilt/isolation/shared_region.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "isolation_support.h"

using namespace wordfilt;
using namespace wordfilt::isolation;

namespace {

DocumentText LongDocument() {
  DocumentText doc;
  for (int i = 0; doc.text.size() < 150000; ++i) doc.text += u"A paragraph of the long text.\r";
  const auto half = static_cast<std::uint32_t>(doc.text.size() / 2);
  doc.chunks = {
      {0, half, 0x0409, kBreakNone},
      {half, static_cast<std::uint32_t>(doc.text.size()) - half, 0x0407, kBreakParagraph}};
  doc.properties = {{2, u"Title"}};
  return doc;
}

std::string Decoded(SharedRegion& module) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!module.Reply(&data, &size)) return "size refused";
  Outcome outcome{};
  DocumentText doc;
  if (!DecodeResult(data, size, &outcome, &doc)) return "malformed";
  return std::to_string(static_cast<int>(outcome)) + isotest::Describe(doc);
}

struct Ends {
  Ends() : module(SharedRegion::Create()) {
    if (module) worker = SharedRegion::Attach(dup(module->Fd()));
  }
  std::unique_ptr<SharedRegion> module, worker;
};

}  // namespace

// The module is sent a message only when it said it sleeps, and only sleeps
// when no reply is there yet: either way exactly one side learns of the reply.
TEST(SharedRegion, ReplyCrossesAndOnlyASleepingModuleIsWoken) {
  Ends ends;
  ASSERT_TRUE(ends.module && ends.worker);
  const DocumentText doc = LongDocument();
  const std::string expected = "0" + isotest::Describe(doc);

  ends.module->Arm();
  EXPECT_EQ(ends.module->Peek(), SharedState::kPending);
  ASSERT_TRUE(ends.worker->Write(EncodeReplyParts(Outcome::kOk, doc)));
  EXPECT_FALSE(ends.worker->Publish(SharedState::kInRegion));
  EXPECT_EQ(ends.module->Sleep(), SharedState::kInRegion);
  EXPECT_EQ(Decoded(*ends.module), expected);

  // The next document: the module went to sleep first, so it must be woken.
  ends.module->Arm();
  EXPECT_EQ(ends.module->Sleep(), SharedState::kModuleSleeps);
  ASSERT_TRUE(ends.worker->Write(EncodeReplyParts(Outcome::kDamaged, DocumentText())));
  EXPECT_TRUE(ends.worker->Publish(SharedState::kInRegion));
  EXPECT_EQ(ends.module->Peek(), SharedState::kInRegion);
  EXPECT_EQ(Decoded(*ends.module), "3" + isotest::Describe(DocumentText()));

  // A reply too large for the region goes on the channel, which says so.
  DocumentText huge;
  huge.text.assign(kSharedReplyBytes / 2, u'x');
  huge.chunks = {{0, static_cast<std::uint32_t>(huge.text.size()), 0x0409, kBreakNone}};
  ends.module->Arm();
  EXPECT_FALSE(ends.worker->Write(EncodeReplyParts(Outcome::kOk, huge)));
  EXPECT_FALSE(ends.worker->Publish(SharedState::kOnChannel));
  EXPECT_EQ(ends.module->Sleep(), SharedState::kOnChannel);
}

// A worker cannot shrink the region under the module, and a size beyond it or
// bytes that make no reply are refused.
TEST(SharedRegion, ModuleRefusesWhatAWorkerCouldFake) {
  Ends ends;
  ASSERT_TRUE(ends.module && ends.worker);
  EXPECT_NE(ftruncate(ends.module->Fd(), 0), 0);
  EXPECT_EQ(errno, EPERM);

  // Written as a worker could, through its own mapping: the state word, the
  // size after it, the reply from byte 64.
  const long page = sysconf(_SC_PAGESIZE);
  const std::size_t mapped = (64 + kSharedReplyBytes + page - 1) / page * page;
  void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_SHARED, ends.module->Fd(), 0);
  ASSERT_NE(raw, MAP_FAILED);
  auto* bytes = static_cast<std::uint8_t*>(raw);
  const std::uint32_t inRegion = static_cast<std::uint32_t>(SharedState::kInRegion);
  std::memcpy(bytes, &inRegion, 4);
  const std::uint64_t beyond = kSharedReplyBytes + 1;
  std::memcpy(bytes + 8, &beyond, 8);
  EXPECT_EQ(ends.module->Peek(), SharedState::kInRegion);
  EXPECT_EQ(Decoded(*ends.module), "size refused");

  const std::uint64_t some = 64;
  std::memcpy(bytes + 8, &some, 8);
  std::memset(bytes + 64, 0xff, 64);
  EXPECT_EQ(Decoded(*ends.module), "malformed");
  munmap(raw, mapped);

  // Only a region of the expected size is taken.
  const int other = memfd_create("not-a-region", MFD_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(ftruncate(other, 4096), 0);
  EXPECT_EQ(SharedRegion::Attach(other), nullptr);
}
