// The POSIX IStorage/IStream/ILockBytes objects: results, reference counting
// and the file-path entry point.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com_ref.h"
#include "platform/storage.h"
#include "test_support.h"

namespace cfbtest {
namespace {

using platform::ComRef;
constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;

Node Tree() {
  return Storage(u"",
                 {Stream(u"WordDocument", Pattern(9000, 1)), Stream(u"1Table", Pattern(300, 2)),
                  Storage(u"ObjectPool", {Stream(u"Data", Pattern(77, 3))})});
}

// A movable block holding the bytes, as the library builds one.
HGLOBAL BlockWith(const std::vector<std::uint8_t>& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  return h;
}

HRESULT OpenOnBlock(const std::vector<std::uint8_t>& bytes, ComRef<IStorage>* out) {
  ComRef<ILockBytes> lb;
  HRESULT hr = CreateILockBytesOnHGlobal(BlockWith(bytes), TRUE, lb.put());
  if (FAILED(hr)) return hr;
  return StgOpenStorageOnILockBytes(lb.get(), nullptr, kRead, nullptr, 0, out->put());
}

std::u16string Widen(const std::string& bytes) {
  std::u16string w;
  for (unsigned char c : bytes) w.push_back(c);
  return w;
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/cfb_test_XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() {
    for (const auto& f : files_) std::remove(f.c_str());
    rmdir(path_.c_str());
  }
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string p = path_ + "/" + name;
    FILE* f = std::fopen(p.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    files_.push_back(p);
    return p;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

TEST(ComStorage, OpensOnHGlobalAndReadsStreams) {
  const Node tree = Tree();
  ComRef<IStorage> st;
  ASSERT_EQ(OpenOnBlock(Write(tree).bytes, &st), S_OK);
  ComRef<IStream> s;
  ASSERT_EQ(st->OpenStream(u"worddocument", nullptr, kRead, 0, s.put()), S_OK);
  std::vector<std::uint8_t> buf(10000);
  ULONG got = 0;
  ASSERT_EQ(s->Read(buf.data(), ULONG(buf.size()), &got), S_OK);
  ASSERT_EQ(got, 9000u);
  buf.resize(got);
  EXPECT_TRUE(buf == tree.children[0].data);
  // Past the end: success and nothing read.
  ASSERT_EQ(s->Read(buf.data(), 10, &got), S_OK);
  EXPECT_EQ(got, 0u);

  STATSTG stat;
  ASSERT_EQ(s->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(std::u16string(stat.pwcsName), u"WordDocument");
  EXPECT_EQ(stat.type, DWORD(STGTY_STREAM));
  EXPECT_EQ(stat.cbSize.QuadPart, 9000u);
  EXPECT_EQ(stat.grfMode, kRead);
  CoTaskMemFree(stat.pwcsName);
  ASSERT_EQ(st->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.pwcsName, nullptr);
  EXPECT_EQ(stat.type, DWORD(STGTY_STORAGE));

  ComRef<IStorage> sub;
  ASSERT_EQ(st->OpenStorage(u"OBJECTPOOL", nullptr, kRead, nullptr, 0, sub.put()), S_OK);
  ComRef<IStream> data;
  ASSERT_EQ(sub->OpenStream(u"data", nullptr, kRead, 0, data.put()), S_OK);
  ASSERT_EQ(data->Read(buf.data(), 1000, &got), S_OK);
  EXPECT_EQ(got, 77u);
  EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 77, tree.children[2].children[0].data.begin()));
}

TEST(ComStorage, SeekCloneAndRefusedWrites) {
  const Node tree = Tree();
  const auto& doc = tree.children[0].data;
  ComRef<IStorage> st;
  ASSERT_EQ(OpenOnBlock(Write(tree).bytes, &st), S_OK);
  ComRef<IStream> s;
  ASSERT_EQ(st->OpenStream(u"WordDocument", nullptr, kRead, 0, s.put()), S_OK);
  LARGE_INTEGER move;
  ULARGE_INTEGER pos;
  move.QuadPart = -100;
  ASSERT_EQ(s->Seek(move, STREAM_SEEK_END, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 8900u);
  std::uint8_t b[200];
  ULONG got = 0;
  ASSERT_EQ(s->Read(b, 200, &got), S_OK);
  EXPECT_EQ(got, 100u);
  EXPECT_EQ(std::memcmp(b, doc.data() + 8900, 100), 0);
  // Before the start: refused, position unchanged.
  move.QuadPart = -9001;
  EXPECT_EQ(s->Seek(move, STREAM_SEEK_CUR, &pos), STG_E_INVALIDFUNCTION);
  move.QuadPart = 0;
  ASSERT_EQ(s->Seek(move, STREAM_SEEK_CUR, &pos), S_OK);
  EXPECT_EQ(pos.QuadPart, 9000u);
  EXPECT_EQ(s->Seek(move, 7, &pos), STG_E_INVALIDFUNCTION);
  move.QuadPart = 20000;  // past the end is allowed
  ASSERT_EQ(s->Seek(move, STREAM_SEEK_SET, &pos), S_OK);
  ASSERT_EQ(s->Read(b, 10, &got), S_OK);
  EXPECT_EQ(got, 0u);

  // A clone starts where the original is and then moves on its own.
  move.QuadPart = 1234;
  ASSERT_EQ(s->Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
  ComRef<IStream> c;
  ASSERT_EQ(s->Clone(c.put()), S_OK);
  ASSERT_EQ(c->Read(b, 10, &got), S_OK);
  EXPECT_EQ(std::memcmp(b, doc.data() + 1234, 10), 0);
  ASSERT_EQ(s->Read(b, 10, &got), S_OK);
  EXPECT_EQ(std::memcmp(b, doc.data() + 1234, 10), 0);

  ULONG written = 7;
  EXPECT_EQ(s->Write(b, 10, &written), STG_E_ACCESSDENIED);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(s->SetSize(pos), STG_E_ACCESSDENIED);
  ComRef<IStream> created;
  EXPECT_EQ(st->CreateStream(u"New", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, created.put()),
            STG_E_ACCESSDENIED);
  EXPECT_FALSE(created);
  EXPECT_EQ(st->DestroyElement(u"1Table"), STG_E_ACCESSDENIED);
  EXPECT_EQ(st->RenameElement(u"1Table", u"2Table"), STG_E_ACCESSDENIED);
}

TEST(ComStorage, ElementLookupResults) {
  ComRef<IStorage> st;
  ASSERT_EQ(OpenOnBlock(Write(Tree()).bytes, &st), S_OK);
  ComRef<IStream> s;
  EXPECT_EQ(st->OpenStream(u"Missing", nullptr, kRead, 0, s.put()), STG_E_FILENOTFOUND);
  EXPECT_EQ(st->OpenStream(u"ObjectPool", nullptr, kRead, 0, s.put()), STG_E_FILENOTFOUND);
  ComRef<IStorage> sub;
  EXPECT_EQ(st->OpenStorage(u"1Table", nullptr, kRead, nullptr, 0, sub.put()), STG_E_FILENOTFOUND);
  // Elements open exclusively, and not for writing inside a read-only storage.
  EXPECT_EQ(st->OpenStream(u"1Table", nullptr, STGM_READ, 0, s.put()), STG_E_INVALIDFLAG);
  EXPECT_EQ(st->OpenStream(u"1Table", nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, s.put()),
            STG_E_INVALIDFLAG);
  EXPECT_EQ(st->OpenStorage(u"ObjectPool", nullptr, 0, nullptr, 0, sub.put()), STG_E_INVALIDFLAG);
  EXPECT_EQ(st->OpenStream(nullptr, nullptr, kRead, 0, s.put()), STG_E_INVALIDPOINTER);
  EXPECT_EQ(st->OpenStream(u"1Table", nullptr, kRead, 0, nullptr), STG_E_INVALIDPOINTER);
  EXPECT_EQ(st->Stat(nullptr, 0), STG_E_INVALIDPOINTER);
}

TEST(ComStorage, StreamsOutliveTheirStorageAndLockBytes) {
  const Node tree = Tree();
  ComRef<IStream> s;
  {
    ComRef<IStorage> st;
    ASSERT_EQ(OpenOnBlock(Write(tree).bytes, &st), S_OK);
    EXPECT_EQ(st->AddRef(), 2u);
    EXPECT_EQ(st->Release(), 1u);
    ASSERT_EQ(st->OpenStream(u"1Table", nullptr, kRead, 0, s.put()), S_OK);
  }  // storage gone; the lock bytes (delete-on-release) only go with the stream
  std::uint8_t b[300];
  ULONG got = 0;
  ASSERT_EQ(s->Read(b, 300, &got), S_OK);
  ASSERT_EQ(got, 300u);
  EXPECT_EQ(std::memcmp(b, tree.children[1].data.data(), 300), 0);
  IUnknown* unk = nullptr;
  ASSERT_EQ(s->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
  EXPECT_EQ(unk->Release(), 1u);
  void* none = nullptr;
  EXPECT_EQ(s->QueryInterface(IID_IStorage, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

TEST(ComStorage, EnumeratesInTreeOrder) {
  ComRef<IStorage> st;
  ASSERT_EQ(OpenOnBlock(Write(Tree()).bytes, &st), S_OK);
  ComRef<IEnumSTATSTG> e;
  ASSERT_EQ(st->EnumElements(0, nullptr, 0, e.put()), S_OK);
  STATSTG items[5];
  ULONG got = 0;
  ASSERT_EQ(e->Next(5, items, &got), S_FALSE);
  ASSERT_EQ(got, 3u);
  // Length first, then upper-cased names.
  EXPECT_EQ(std::u16string(items[0].pwcsName), u"1Table");
  EXPECT_EQ(items[0].type, DWORD(STGTY_STREAM));
  EXPECT_EQ(items[0].cbSize.QuadPart, 300u);
  EXPECT_EQ(std::u16string(items[1].pwcsName), u"ObjectPool");
  EXPECT_EQ(items[1].type, DWORD(STGTY_STORAGE));
  EXPECT_EQ(std::u16string(items[2].pwcsName), u"WordDocument");
  for (ULONG i = 0; i < got; ++i) CoTaskMemFree(items[i].pwcsName);

  ASSERT_EQ(e->Next(1, items, nullptr), S_FALSE);  // exhausted
  ASSERT_EQ(e->Reset(), S_OK);
  ASSERT_EQ(e->Skip(2), S_OK);
  ComRef<IEnumSTATSTG> copy;
  ASSERT_EQ(e->Clone(copy.put()), S_OK);
  ASSERT_EQ(copy->Next(1, items, nullptr), S_OK);
  EXPECT_EQ(std::u16string(items[0].pwcsName), u"WordDocument");
  CoTaskMemFree(items[0].pwcsName);
  EXPECT_EQ(e->Skip(5), S_FALSE);
  EXPECT_EQ(e->Next(2, items, nullptr), E_INVALIDARG);  // a count needs somewhere to go
}

TEST(ComStorage, OpenResultsForBadData) {
  ComRef<IStorage> st;
  EXPECT_EQ(OpenOnBlock(std::vector<std::uint8_t>(600, 'a'), &st), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(OpenOnBlock({}, &st), STG_E_READFAULT);
  EXPECT_EQ(OpenOnBlock(std::vector<std::uint8_t>(100, 0), &st), STG_E_READFAULT);
  Written w = Write(Tree());
  Written bad = w;
  bad.setFat(bad.dirSectors.back(), bad.dirSectors.front());
  EXPECT_EQ(OpenOnBlock(bad.bytes, &st), STG_E_DOCFILECORRUPT);
  bad = w;
  bad.bytes[30] = 10;  // sector shift
  EXPECT_EQ(OpenOnBlock(bad.bytes, &st), STG_E_INVALIDHEADER);
  EXPECT_FALSE(st);
  // A damaged stream: the storage opens, the stream does not.
  bad = w;
  const auto doc = ChainOf(bad, bad.entries[bad.entryIndex(u"WordDocument")].start);
  bad.setFat(doc[5], doc[1]);
  ASSERT_EQ(OpenOnBlock(bad.bytes, &st), S_OK);
  ComRef<IStream> s;
  EXPECT_EQ(st->OpenStream(u"WordDocument", nullptr, kRead, 0, s.put()), STG_E_DOCFILECORRUPT);

  EXPECT_EQ(StgOpenStorageOnILockBytes(nullptr, nullptr, kRead, nullptr, 0, st.put()),
            STG_E_INVALIDPOINTER);
  ComRef<ILockBytes> lb;
  ASSERT_EQ(CreateILockBytesOnHGlobal(BlockWith(w.bytes), TRUE, lb.put()), S_OK);
  EXPECT_EQ(StgOpenStorageOnILockBytes(lb.get(), nullptr, kRead, nullptr, 0, nullptr),
            STG_E_INVALIDPOINTER);
  EXPECT_EQ(StgOpenStorageOnILockBytes(lb.get(), nullptr, STGM_READ, nullptr, 0, st.put()),
            STG_E_INVALIDFLAG);
  EXPECT_EQ(StgIsStorageILockBytes(lb.get()), S_OK);
  ComRef<ILockBytes> text;
  ASSERT_EQ(CreateILockBytesOnHGlobal(BlockWith({'a', 'b'}), TRUE, text.put()), S_OK);
  EXPECT_EQ(StgIsStorageILockBytes(text.get()), S_FALSE);
  EXPECT_EQ(StgIsStorageILockBytes(nullptr), STG_E_INVALIDPOINTER);
}

// A caller's own lock bytes: counts references and fails reads past a limit.
class VectorLockBytes final : public ILockBytes {
 public:
  explicit VectorLockBytes(std::vector<std::uint8_t> b) : bytes_(std::move(b)) {}
  std::uint64_t failFrom = UINT64_MAX;
  ULONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE ReadAt(ULARGE_INTEGER at, void* pv, ULONG cb, ULONG* got) override {
    *got = 0;
    if (at.QuadPart + cb > failFrom) return STG_E_READFAULT;
    if (at.QuadPart >= bytes_.size()) return S_OK;
    *got = ULONG(std::min<std::uint64_t>(cb, bytes_.size() - at.QuadPart));
    std::memcpy(pv, bytes_.data() + at.QuadPart, *got);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WriteAt(ULARGE_INTEGER, const void*, ULONG, ULONG*) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Flush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* st, DWORD) override {
    std::memset(st, 0, sizeof(*st));
    st->type = STGTY_LOCKBYTES;
    st->cbSize.QuadPart = bytes_.size();
    return S_OK;
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

TEST(ComStorage, ForeignLockBytesAreReferencedAndTheirErrorsReported) {
  const Written w = Write(Tree());
  VectorLockBytes lb(w.bytes);
  {
    ComRef<IStorage> st;
    ASSERT_EQ(StgOpenStorageOnILockBytes(&lb, nullptr, kRead, nullptr, 0, st.put()), S_OK);
    EXPECT_GT(lb.refs, 1u);  // the storage holds its own reference
    // Reads that fail in the source fail the stream, not the process.
    lb.failFrom = w.sectorOffset(w.entries[w.entryIndex(u"WordDocument")].start);
    ComRef<IStream> s;
    ASSERT_EQ(st->OpenStream(u"WordDocument", nullptr, kRead, 0, s.put()), S_OK);
    std::uint8_t b[100];
    ULONG got = 9;
    EXPECT_EQ(s->Read(b, sizeof(b), &got), STG_E_READFAULT);
    EXPECT_EQ(got, 0u);
  }
  EXPECT_EQ(lb.refs, 1u);  // all given back
  lb.failFrom = 100;       // the header itself cannot be read
  ComRef<IStorage> st;
  EXPECT_EQ(StgOpenStorageOnILockBytes(&lb, nullptr, kRead, nullptr, 0, st.put()), STG_E_READFAULT);
  EXPECT_EQ(lb.refs, 1u);
}

TEST(ComStorage, HGlobalLockBytesReadsWritesAndLeavesTheBlock) {
  HGLOBAL h = BlockWith(Pattern(1000, 4));
  {
    ComRef<ILockBytes> lb;
    ASSERT_EQ(CreateILockBytesOnHGlobal(h, FALSE, lb.put()), S_OK);
    STATSTG stat;
    ASSERT_EQ(lb->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 1000u);
    std::uint8_t b[64];
    ULONG n = 0;
    ULARGE_INTEGER at;
    at.QuadPart = 990;
    ASSERT_EQ(lb->ReadAt(at, b, 64, &n), S_OK);
    EXPECT_EQ(n, 10u);
    at.QuadPart = 5000;
    ASSERT_EQ(lb->ReadAt(at, b, 64, &n), S_OK);
    EXPECT_EQ(n, 0u);
    at.QuadPart = 10;
    const std::uint8_t hello[5] = {'h', 'e', 'l', 'l', 'o'};
    ASSERT_EQ(lb->WriteAt(at, hello, 5, &n), S_OK);
    at.QuadPart = 998;
    EXPECT_EQ(lb->WriteAt(at, hello, 5, &n), STG_E_MEDIUMFULL);  // the block cannot grow
    ULARGE_INTEGER size;
    size.QuadPart = 500;
    ASSERT_EQ(lb->SetSize(size), S_OK);
    ASSERT_EQ(lb->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 500u);
  }
  // Not deleted on release: still ours, with the write in it.
  EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(GlobalLock(h)) + 10, "hello", 5), 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  ComRef<ILockBytes> fresh;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, fresh.put()), S_OK);
  EXPECT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
}

TEST(ComStorage, OpensFilesByPath) {
  TempDir dir;
  const Node tree = Tree();
  const std::string doc = dir.write("caf\xC3\xA9.doc", Write(tree).bytes);
  ComRef<IStorage> st;
  // Widened byte by byte, as the library passes narrow paths on.
  ASSERT_EQ(StgOpenStorage(Widen(doc).c_str(), nullptr, kRead, nullptr, 0, st.put()), S_OK);
  STATSTG stat;
  ASSERT_EQ(st->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(std::u16string(stat.pwcsName), Widen(doc));
  CoTaskMemFree(stat.pwcsName);
  ComRef<IStream> s;
  ASSERT_EQ(st->OpenStream(u"1TABLE", nullptr, kRead, 0, s.put()), S_OK);
  std::uint8_t b[400];
  ULONG got = 0;
  ASSERT_EQ(s->Read(b, 400, &got), S_OK);
  ASSERT_EQ(got, 300u);
  EXPECT_EQ(std::memcmp(b, tree.children[1].data.data(), 300), 0);
  // Units all <= 0xFF are bytes: "caf\u00E9" names the Latin-1 bytes, another file.
  const std::u16string latin = Widen(dir.path()) + u"/caf\u00E9.doc";
  EXPECT_EQ(StgOpenStorage(latin.c_str(), nullptr, kRead, nullptr, 0, st.put()),
            STG_E_FILENOTFOUND);
  // A name with a wider unit is real UTF-16, found under its UTF-8 bytes.
  dir.write("doc\xE4\xB8\xAD.doc", Write(tree).bytes);
  const std::u16string wide = Widen(dir.path()) + u"/doc\u4E2D.doc";
  ASSERT_EQ(StgOpenStorage(wide.c_str(), nullptr, kRead, nullptr, 0, st.put()), S_OK);
  EXPECT_EQ(StgIsStorageFile(wide.c_str()), S_OK);

  const std::string text = dir.write("text.doc", std::vector<std::uint8_t>(700, 'x'));
  EXPECT_EQ(StgOpenStorage(Widen(text).c_str(), nullptr, kRead, nullptr, 0, st.put()),
            STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(StgIsStorageFile(Widen(text).c_str()), S_FALSE);
  const std::string empty = dir.write("empty.doc", {});
  EXPECT_EQ(StgOpenStorage(Widen(empty).c_str(), nullptr, kRead, nullptr, 0, st.put()),
            STG_E_FILEALREADYEXISTS);
  const std::u16string missing = Widen(dir.path() + "/none.doc");
  EXPECT_EQ(StgOpenStorage(missing.c_str(), nullptr, kRead, nullptr, 0, st.put()),
            STG_E_FILENOTFOUND);
  const std::u16string noDir = Widen(dir.path() + "/nodir/x.doc");
  EXPECT_EQ(StgOpenStorage(noDir.c_str(), nullptr, kRead, nullptr, 0, st.put()),
            STG_E_PATHNOTFOUND);
  EXPECT_EQ(StgOpenStorage(Widen(dir.path()).c_str(), nullptr, kRead, nullptr, 0, st.put()),
            STG_E_ACCESSDENIED);
  EXPECT_EQ(StgOpenStorage(nullptr, nullptr, kRead, nullptr, 0, st.put()), STG_E_INVALIDNAME);
  EXPECT_EQ(StgOpenStorage(Widen(doc).c_str(), nullptr, kRead, nullptr, 0, nullptr),
            STG_E_INVALIDPOINTER);
  // Direct mode without keeping writers out, as Windows refuses it.
  EXPECT_EQ(StgOpenStorage(Widen(doc).c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_NONE, nullptr,
                           0, st.put()),
            STG_E_INVALIDFLAG);
  if (geteuid() != 0) {  // root reads anything
    chmod(doc.c_str(), 0);
    EXPECT_EQ(StgOpenStorage(Widen(doc).c_str(), nullptr, kRead, nullptr, 0, st.put()),
              STG_E_ACCESSDENIED);
  }
}

}  // namespace
}  // namespace cfbtest
#endif
