// The plug-in as a 32-bit host written without our headers sees it: the record
// laid out by hand as eight 32-bit words, the exports found by their plain names
// and called with the arguments pushed by hand, so that a wrong calling
// convention or a read past the part of the record a host filled in shows.
#include <gtest/gtest.h>

#if defined(_WIN32) && !defined(_WIN64)

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/route_host.h"

namespace {

namespace fs = std::filesystem;

const std::string kSample = DOCFLT_SOURCE_DIR "/samples/welcome.doc";

// Offsets of the record's words, as a 32-bit host hard-codes them.
enum : std::size_t {
  kSize = 0,
  kHostWord1 = 4,
  kStream = 8,
  kGetSize = 12,
  kHostWord2 = 16,
  kRead = 20,
  kGetFileName = 24,
  kGetCodePage = 28,
};

// Calls fn with `n` 32-bit arguments pushed right to left, as any 32-bit host
// may call: on a stack aligned to 4 bytes only, never to 16. *left receives
// how many bytes of arguments were still on the stack after the call: 0 when
// the callee removed its own arguments.
uint32_t CallPushed(const void* fn, const uint32_t* args, uint32_t n, uint32_t* left) {
  uint32_t result, count = n;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "andl $-16, %%esp\n\t"
      "subl $4, %%esp\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl -4(%%edi,%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%ebx\n\t"
      "movl %%esi, %%edx\n\t"  // the stack pointer before the arguments, again
      "andl $-16, %%edx\n\t"
      "subl $4, %%edx\n\t"
      "movl %%edx, %%ecx\n\t"
      "subl %%esp, %%ecx\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(result), "+c"(count)
      : "D"(args), "b"(fn)
      : "edx", "esi", "memory", "cc");
  *left = count;
  return result;
}

// What the host keeps per document; the record's first host word names it.
struct HostDoc {
  std::string bytes;
  std::size_t at = 0;
  std::string path;
  int32_t codePage = -1;
  int sizeCalls = 0, readCalls = 0, nameCalls = 0, pageCalls = 0;
};
HostDoc* g_docs[4];

HostDoc* Of(const unsigned char* record) {
  uint32_t slot;
  std::memcpy(&slot, record + kHostWord1, 4);
  return slot < 4 ? g_docs[slot] : nullptr;
}

int32_t __stdcall HostGetSize(const unsigned char* record, uint32_t* size, uint32_t*) {
  HostDoc* d = Of(record);
  ++d->sizeCalls;
  *size = static_cast<uint32_t>(d->bytes.size());
  return 0;
}
int32_t __stdcall HostRead(const unsigned char* record, void* buffer, uint32_t cb, uint32_t* got) {
  HostDoc* d = Of(record);
  ++d->readCalls;
  const std::size_t n = std::min<std::size_t>(cb, d->bytes.size() - d->at);
  std::memcpy(buffer, d->bytes.data() + d->at, n);
  d->at += n;
  *got = static_cast<uint32_t>(n);
  return 0;
}
int32_t __stdcall HostGetFileName(const unsigned char* record, char* path, uint32_t cch) {
  HostDoc* d = Of(record);
  ++d->nameCalls;
  if (d->path.empty() || d->path.size() + 1 > cch) return 0;
  std::memcpy(path, d->path.c_str(), d->path.size() + 1);
  return 1;
}
int32_t __stdcall HostGetCodePage(const unsigned char* record) {
  HostDoc* d = Of(record);
  ++d->pageCalls;
  return d->codePage;
}

// A record of `cb` bytes placed flush against an inaccessible page: reading or
// writing any byte past what the host filled in faults.
class GuardedRecord {
 public:
  explicit GuardedRecord(uint32_t cb) {
    base_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    if (!base_ || !VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &old)) return;
    record_ = base_ + kPage - cb;
    std::memset(record_, 0, cb);
    Put(kSize, cb);
  }
  ~GuardedRecord() {
    if (base_) VirtualFree(base_, 0, MEM_RELEASE);
  }
  GuardedRecord(const GuardedRecord&) = delete;
  GuardedRecord& operator=(const GuardedRecord&) = delete;

  unsigned char* get() const { return record_; }
  void Put(std::size_t offset, uint32_t value) { std::memcpy(record_ + offset, &value, 4); }
  void Put(std::size_t offset, const void* fn) { Put(offset, reinterpret_cast<uint32_t>(fn)); }
  uint32_t Word(std::size_t offset) const {
    uint32_t v;
    std::memcpy(&v, record_ + offset, 4);
    return v;
  }

 private:
  static constexpr std::size_t kPage = 4096;
  unsigned char* base_ = nullptr;
  unsigned char* record_ = nullptr;
};

class Host32 : public testing::Test {
 protected:
  routes::TempDir folder, tmp;
  HMODULE module = nullptr;
  const void *create = nullptr, *read = nullptr, *close = nullptr, *extensions = nullptr;

  void SetUp() override {
    ASSERT_FALSE(folder.path().empty() || tmp.path().empty());
    const std::string plugin = folder.Join(fs::path(DOCFLT_PLUGIN_FILE).filename().string());
    ASSERT_TRUE(fs::copy_file(DOCFLT_PLUGIN_FILE, plugin));
    ASSERT_TRUE(routes::WriteWholeFile(
        fs::path(plugin).replace_extension(".ini").string(),
        "[SETTINGS]\r\nTMPDIR=" + tmp.path() + "\r\nSERVERFILENAME=" DOCFLT_SERVER_FILE "\r\n"));
    module = LoadLibraryA(plugin.c_str());
    ASSERT_NE(module, nullptr);
    auto find = [this](const char* name) {
      return reinterpret_cast<const void*>(GetProcAddress(module, name));
    };
    create = find("CreateFilteredStream");
    read = find("ReadFilteredStream");
    close = find("CloseFilteredStream");
    extensions = find("GetFilterExtensions");
    ASSERT_TRUE(create && read && close && extensions);
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
    EXPECT_TRUE(tmp.Entries().empty());
  }

  // Create, read to the end in 1000-byte steps, close; every call must leave
  // the stack as a 32-bit host expects. The result of the first failing call.
  uint32_t Extract(GuardedRecord& rec, std::string* text) {
    const uint32_t self = reinterpret_cast<uint32_t>(rec.get());
    uint32_t left = 0;
    uint32_t rc = CallPushed(create, &self, 1, &left);
    EXPECT_EQ(left, 0u) << "CreateFilteredStream left its argument on the stack";
    char buf[1000];
    uint32_t got = 0;
    const uint32_t args[4] = {self, reinterpret_cast<uint32_t>(buf), sizeof(buf),
                              reinterpret_cast<uint32_t>(&got)};
    while (rc == 0 && (rc = CallPushed(read, args, 4, &left)) == 0 && got) {
      EXPECT_EQ(left, 0u) << "ReadFilteredStream left its arguments on the stack";
      text->append(buf, got);
    }
    const uint32_t closed = CallPushed(close, &self, 1, &left);
    EXPECT_EQ(left, 0u) << "CloseFilteredStream left its argument on the stack";
    return rc ? rc : closed;
  }
};

TEST_F(Host32, ExportsHaveOnlyTheirPlainNames) {
  for (const char* decorated : {"_CreateFilteredStream@4", "_ReadFilteredStream@16",
                                "CreateFilteredStream@4", "_GetFilterExtensions@0"}) {
    EXPECT_EQ(GetProcAddress(module, decorated), nullptr) << decorated;
  }
  uint32_t left = 1;
  const char* list = reinterpret_cast<const char*>(CallPushed(extensions, nullptr, 0, &left));
  EXPECT_EQ(left, 0u);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::string(list, 9), std::string("DOC\0DOT\0\0", 9));
}

// Each size the host may state: the optional callbacks are used exactly when
// the record covers them, and nothing beyond the stated size is touched.
TEST_F(Host32, RecordSizesGateTheOptionalCallbacks) {
  struct Case {
    uint32_t cb;
    bool byName, byPage;
  };
  for (const Case c : {Case{24, false, false}, Case{28, true, false}, Case{32, true, true}}) {
    SCOPED_TRACE(c.cb);
    HostDoc doc;
    ASSERT_TRUE(routes::ReadWholeFile(kSample, &doc.bytes));
    doc.path = kSample;
    doc.codePage = -3;  // UTF-16LE, when the host gets to say so
    g_docs[1] = &doc;
    GuardedRecord rec(c.cb);
    ASSERT_NE(rec.get(), nullptr);
    rec.Put(kHostWord1, 1u);
    rec.Put(kStream, 0xDEADBEEFu);
    rec.Put(kGetSize, reinterpret_cast<const void*>(&HostGetSize));
    rec.Put(kHostWord2, 0xA5A5A5A5u);
    rec.Put(kRead, reinterpret_cast<const void*>(&HostRead));
    if (c.cb >= 28) rec.Put(kGetFileName, reinterpret_cast<const void*>(&HostGetFileName));
    if (c.cb >= 32) rec.Put(kGetCodePage, reinterpret_cast<const void*>(&HostGetCodePage));

    std::string text;
    ASSERT_EQ(Extract(rec, &text), 0u);
    EXPECT_EQ(doc.sizeCalls, 1);
    EXPECT_EQ(doc.nameCalls > 0, c.byName);
    EXPECT_EQ(doc.pageCalls > 0, c.byPage);
    EXPECT_EQ(doc.readCalls > 0, !c.byName) << "a named file is not streamed";
    const std::string welcome = c.byPage ? std::string("W\0e\0l\0c\0o\0m\0e\0", 14) : "Welcome";
    EXPECT_NE(text.find(welcome), std::string::npos);
    EXPECT_EQ(rec.Word(kSize), c.cb);
    EXPECT_EQ(rec.Word(kHostWord1), 1u);
    EXPECT_EQ(rec.Word(kHostWord2), 0xA5A5A5A5u);
    EXPECT_EQ(rec.Word(kStream), 0u) << "closing clears the stream handle";
    g_docs[1] = nullptr;
  }
}

// The host's own failure code comes back through the pushed call unchanged,
// and the stream word stays as the host left it.
uint32_t g_failure = 7;
int32_t __stdcall FailingGetSize(const unsigned char*, uint32_t*, uint32_t*) {
  return static_cast<int32_t>(g_failure);
}
TEST_F(Host32, HostFailureCodesPassThrough) {
  GuardedRecord rec(24);
  ASSERT_NE(rec.get(), nullptr);
  rec.Put(kStream, 0x12345678u);
  rec.Put(kGetSize, reinterpret_cast<const void*>(&FailingGetSize));
  rec.Put(kRead, reinterpret_cast<const void*>(&HostRead));
  const uint32_t self = reinterpret_cast<uint32_t>(rec.get());
  for (uint32_t code : {7u, 0x80004005u}) {
    g_failure = code;
    uint32_t left = 1;
    EXPECT_EQ(CallPushed(create, &self, 1, &left), code);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(rec.Word(kStream), 0x12345678u);
  }
}

}  // namespace

#else

TEST(Host32, OnlyA32BitBuildHasThe32BitRecord) {
  GTEST_SKIP() << "the hand-laid 32-byte record and pushed calls need a 32-bit Windows build";
}

#endif
