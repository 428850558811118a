#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "platform/memory.h"
#include "platform/storage.h"
#include "tests/support/cfb_writer.h"

namespace fs = std::filesystem;

namespace {

const CLSID kFilterClsid = {
    0xF07F3920, 0x7B8C, 0x11CF, {0x9B, 0xE8, 0x00, 0xAA, 0x00, 0x4B, 0x99, 0x86}};
typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);
typedef HRESULT(STDAPICALLTYPE* CanUnloadFn)();

std::vector<WCHAR> Wide(const std::string& s) {
  std::vector<WCHAR> w(s.begin(), s.end());
  for (WCHAR& c : w) c = static_cast<WCHAR>(static_cast<unsigned char>(c));
  w.push_back(0);
  return w;
}

// The module, loaded once for all tests as a host would load it.
struct Server {
  GetClassObjectFn getClassObject = nullptr;
  CanUnloadFn canUnload = nullptr;
  Server() {
    CoInitialize(nullptr);
    std::vector<WCHAR> path = Wide(DOCFLT_SERVER_FILE);
    HINSTANCE module = CoLoadLibrary(path.data(), TRUE);
    if (!module) return;
    getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), "DllGetClassObject")));
    canUnload = reinterpret_cast<CanUnloadFn>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), "DllCanUnloadNow")));
  }
  static Server& Get() {
    static Server server;
    return server;
  }
};

template <typename T>
using Ref = platform::ComRef<T>;

class Component : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Server::Get().getClassObject, nullptr) << "cannot load " << DOCFLT_SERVER_FILE;
    ASSERT_EQ(Server::Get().getClassObject(kFilterClsid, IID_IClassFactory, factory.put_void()),
              S_OK);
  }
  void TearDown() override {
    factory.reset();
    EXPECT_EQ(Server::Get().canUnload(), S_OK) << "an object outlived its last reference";
  }
  HRESULT NewFilter(Ref<IFilter>* filter) {
    return factory->CreateInstance(nullptr, IID_IFilter, filter->put_void());
  }
  HRESULT LoadPath(IFilter* filter, const std::string& path) {
    Ref<IPersistFile> persist;
    EXPECT_EQ(filter->QueryInterface(IID_IPersistFile, persist.put_void()), S_OK);
    std::vector<WCHAR> wide = Wide(path);
    return persist->Load(wide.data(), STGM_READ);
  }
  Ref<IClassFactory> factory;
};

// All of a filter's text, chunk by chunk, asking `units` at a time.
std::u16string Drain(IFilter* filter, ULONG units, std::vector<ULONG>* ids = nullptr) {
  std::u16string text;
  std::vector<WCHAR> buffer(units + 1);
  STAT_CHUNK stat;
  while (filter->GetChunk(&stat) == S_OK) {
    if (ids) ids->push_back(stat.idChunk);
    EXPECT_EQ(stat.flags, CHUNK_TEXT);
    for (;;) {
      ULONG count = units;
      const HRESULT hr = filter->GetText(&count, buffer.data());
      if (hr == FILTER_E_NO_MORE_TEXT) break;
      EXPECT_TRUE(hr == S_OK || hr == FILTER_S_LAST_TEXT) << std::hex << hr;
      EXPECT_LE(count, units);
      text.append(buffer.begin(), buffer.begin() + count);
      if (hr == FILTER_S_LAST_TEXT) {
        count = units;  // the chunk is done: no more text until the next chunk
        EXPECT_EQ(filter->GetText(&count, buffer.data()), FILTER_E_NO_MORE_TEXT);
        break;
      }
    }
  }
  return text;
}

std::string CorpusDoc(const std::string& name) {
  const fs::path p = fs::path(DOCFLT_SHARED_DIR) / "corpus" / "docs" / name;
  std::error_code ec;
  return fs::exists(p, ec) ? p.string() : std::string();
}

// A file's bytes in a movable memory block, as the storage route holds them;
// null when the file cannot be read.
HGLOBAL BlockOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) return nullptr;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
  if (!mem) return nullptr;
  std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
  GlobalUnlock(mem);
  return mem;
}

// Loads `filter` through IPersistStorage from a storage over `mem`; the host's
// own references are gone when this returns (after HandsOffStorage if asked).
HRESULT LoadFromBlock(IFilter* filter, HGLOBAL mem, bool handsOff = false) {
  Ref<ILockBytes> lockBytes;
  Ref<IStorage> storage;
  Ref<IPersistStorage> persist;
  HRESULT hr = CreateILockBytesOnHGlobal(mem, FALSE, lockBytes.put());
  if (SUCCEEDED(hr)) {
    hr = StgOpenStorageOnILockBytes(lockBytes.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                    nullptr, 0, storage.put());
  }
  if (SUCCEEDED(hr)) hr = filter->QueryInterface(IID_IPersistStorage, persist.put_void());
  if (SUCCEEDED(hr)) hr = persist->Load(storage.get());
  if (SUCCEEDED(hr) && handsOff) hr = persist->HandsOffStorage();
  return hr;
}

struct TempFile {
  std::string path;
  explicit TempFile(const std::vector<std::uint8_t>& bytes) {
    path = (fs::temp_directory_path() / ("wordfilt-test-" + std::to_string(std::rand()) + ".doc"))
               .string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { std::remove(path.c_str()); }
};

}  // namespace

TEST_F(Component, FactoryAndInterfaces) {
  Ref<IClassFactory> other;
  EXPECT_EQ(Server::Get().getClassObject(IID_IFilter, IID_IClassFactory, other.put_void()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(other.get(), nullptr);

  Ref<IUnknown> outer, aggregated;
  ASSERT_EQ(factory->QueryInterface(IID_IUnknown, outer.put_void()), S_OK);
  EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IFilter, aggregated.put_void()),
            CLASS_E_NOAGGREGATION);

  Ref<IFilter> filter;
  ASSERT_EQ(NewFilter(&filter), S_OK);
  Ref<IPersistFile> file;
  Ref<IPersistStorage> storage;
  Ref<IPersist> persist;
  Ref<IUnknown> unknown1, unknown2;
  EXPECT_EQ(filter->QueryInterface(IID_IPersistFile, file.put_void()), S_OK);
  EXPECT_EQ(filter->QueryInterface(IID_IPersistStorage, storage.put_void()), S_OK);
  EXPECT_EQ(filter->QueryInterface(IID_IPersist, persist.put_void()), S_OK);
  // One identity, whichever interface is asked.
  EXPECT_EQ(file->QueryInterface(IID_IUnknown, unknown1.put_void()), S_OK);
  EXPECT_EQ(storage->QueryInterface(IID_IUnknown, unknown2.put_void()), S_OK);
  EXPECT_EQ(unknown1.get(), unknown2.get());
  CLSID clsid{};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(clsid == kFilterClsid);
  Ref<IStream> none;
  EXPECT_EQ(filter->QueryInterface(IID_IStream, none.put_void()), E_NOINTERFACE);
  EXPECT_EQ(Server::Get().canUnload(), S_FALSE);
}

TEST_F(Component, CallsOutOfOrderAnswerErrors) {
  Ref<IFilter> filter;
  ASSERT_EQ(NewFilter(&filter), S_OK);
  STAT_CHUNK stat;
  WCHAR buffer[8];
  ULONG count = 8, flags = 0;
  EXPECT_TRUE(FAILED(filter->Init(0, 0, nullptr, &flags)));  // nothing loaded
  EXPECT_TRUE(FAILED(filter->GetChunk(&stat)));
  EXPECT_TRUE(FAILED(filter->GetText(&count, buffer)));
  const std::string doc = CorpusDoc("poi_Bug47958.doc");
  if (doc.empty()) GTEST_SKIP() << "no shared corpus";
  ASSERT_EQ(LoadPath(filter.get(), doc), S_OK);
  EXPECT_TRUE(FAILED(filter->GetChunk(&stat)));  // loaded but not initialised
  ASSERT_EQ(filter->Init(0, 0, nullptr, &flags), S_OK);
  count = 8;
  EXPECT_EQ(filter->GetText(&count, buffer), FILTER_E_NO_MORE_TEXT);  // no chunk yet
  EXPECT_EQ(filter->GetChunk(nullptr), E_INVALIDARG);
}

TEST_F(Component, ServesTextInPiecesAndEndsCleanly) {
  const std::string doc = CorpusDoc("poi_Bug47958.doc");
  if (doc.empty()) GTEST_SKIP() << "no shared corpus";
  std::u16string whole, pieces;
  for (ULONG units : {65534u, 7u}) {
    Ref<IFilter> filter;
    ASSERT_EQ(NewFilter(&filter), S_OK);
    ASSERT_EQ(LoadPath(filter.get(), doc), S_OK);
    ULONG flags = 0;
    ASSERT_EQ(filter->Init(0, 0, nullptr, &flags), S_OK);
    std::vector<ULONG> ids;
    (units == 7 ? pieces : whole) = Drain(filter.get(), units, &ids);
    ASSERT_FALSE(ids.empty());
    for (size_t i = 1; i < ids.size(); ++i) EXPECT_GT(ids[i], ids[i - 1]);
    STAT_CHUNK stat;
    EXPECT_EQ(filter->GetChunk(&stat), FILTER_E_END_OF_CHUNKS);
    EXPECT_EQ(filter->GetChunk(&stat), FILTER_E_END_OF_CHUNKS);
    // Init starts the chunks again.
    ASSERT_EQ(filter->Init(0, 0, nullptr, &flags), S_OK);
    EXPECT_EQ(Drain(filter.get(), 65534), whole);
  }
  EXPECT_FALSE(whole.empty());
  EXPECT_EQ(whole, pieces);
}

TEST_F(Component, FileAndStorageLoadsGiveTheSameText) {
  const std::string doc = CorpusDoc("poi_Bug47958.doc");
  if (doc.empty()) GTEST_SKIP() << "no shared corpus";
  Ref<IFilter> byFile, byStorage;
  ASSERT_EQ(NewFilter(&byFile), S_OK);
  ASSERT_EQ(NewFilter(&byStorage), S_OK);
  ASSERT_EQ(LoadPath(byFile.get(), doc), S_OK);

  HGLOBAL mem = BlockOf(doc);
  ASSERT_NE(mem, nullptr);
  ASSERT_EQ(LoadFromBlock(byStorage.get(), mem), S_OK);
  ULONG flags = 0;
  ASSERT_EQ(byFile->Init(0, 0, nullptr, &flags), S_OK);
  ASSERT_EQ(byStorage->Init(0, 0, nullptr, &flags), S_OK);
  EXPECT_EQ(Drain(byFile.get(), 65534), Drain(byStorage.get(), 65534));
  byStorage.reset();
  GlobalFree(mem);
}

TEST_F(Component, RefusalsAHostCanActOn) {
  const std::vector<std::uint8_t> plain = {'p', 'l', 'a', 'i', 'n', ' ', 't', 'e', 'x', 't', '\n'};
  cfbtest::Node root = cfbtest::Storage(u"Root Entry", {cfbtest::Stream(u"Contents", plain)});
  const std::vector<std::uint8_t> noWordStream = cfbtest::Write(root).bytes;
  struct Case {
    std::vector<std::uint8_t> bytes;
    HRESULT expected;
  };
  // Text is read (as are web pages); another word processor's data is not.
  const std::vector<std::uint8_t> other = {0xFF, 'W', 'P', 'C', 0x10, 0, 0, 0, 1, 0x0A, 0, 1};
  const Case cases[] = {{other, FILTER_E_UNKNOWNFORMAT},
                        {noWordStream, FILTER_E_UNKNOWNFORMAT},
                        {{}, FILTER_E_UNKNOWNFORMAT}};
  for (const Case& c : cases) {
    TempFile file(c.bytes);
    Ref<IFilter> filter;
    ASSERT_EQ(NewFilter(&filter), S_OK);
    EXPECT_EQ(LoadPath(filter.get(), file.path), c.expected) << c.bytes.size();
    ULONG flags = 0;
    EXPECT_TRUE(FAILED(filter->Init(0, 0, nullptr, &flags)));
  }
  // A missing file is a failure, but not a refusal of access.
  Ref<IFilter> filter;
  ASSERT_EQ(NewFilter(&filter), S_OK);
  const HRESULT missing = LoadPath(filter.get(), "/no/such/dir/missing.doc");
  EXPECT_TRUE(FAILED(missing));
  EXPECT_NE(missing, FILTER_E_ACCESS);

  const std::string encrypted = CorpusDoc("poi_password_tika_binaryrc4.doc");
  if (encrypted.empty()) GTEST_SKIP() << "no shared corpus";
  Ref<IFilter> locked;
  ASSERT_EQ(NewFilter(&locked), S_OK);
  EXPECT_EQ(LoadPath(locked.get(), encrypted), FILTER_E_PASSWORD);
}

// Word 2 documents are not compound files: the path load reads them whole.
TEST_F(Component, Word2DocumentsLoadByPath) {
  const std::string doc = CorpusDoc("poi_word2.doc");
  if (doc.empty()) GTEST_SKIP() << "no shared corpus";
  Ref<IFilter> filter;
  ASSERT_EQ(NewFilter(&filter), S_OK);
  ASSERT_EQ(LoadPath(filter.get(), doc), S_OK);
  ULONG flags = 0;
  ASSERT_EQ(filter->Init(0, 0, nullptr, &flags), S_OK);
  const std::u16string text = Drain(filter.get(), 65534);
  EXPECT_NE(text.find(u"Benni Alexander"), std::u16string::npos);
}

namespace {

const GUID kSummaryInformation = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};

struct Chunk {
  CHUNKSTATE flags;
  PROPID propid;
  std::u16string value;  // the value of a value chunk
};

// Every chunk after Init: text chunks by their flags only, value chunks with
// their property and value, checking the answers a host relies on.
std::vector<Chunk> Chunks(IFilter* filter) {
  std::vector<Chunk> out;
  STAT_CHUNK stat;
  while (filter->GetChunk(&stat) == S_OK) {
    Chunk c{stat.flags, 0, {}};
    PROPVARIANT* var = nullptr;
    if (stat.flags == CHUNK_VALUE) {
      EXPECT_EQ(stat.attribute.guidPropSet, kSummaryInformation);
      EXPECT_EQ(stat.attribute.psProperty.ulKind, ULONG(PRSPEC_PROPID));
      c.propid = stat.attribute.psProperty.propid;
      WCHAR buffer[4];
      ULONG count = 4;
      EXPECT_EQ(filter->GetText(&count, buffer), FILTER_E_NO_TEXT);
      EXPECT_EQ(filter->GetValue(&var), S_OK);
      if (var) {
        EXPECT_EQ(var->vt, VT_LPWSTR);
        if (var->vt == VT_LPWSTR) c.value = reinterpret_cast<const char16_t*>(var->pwszVal);
        PropVariantClear(var);
        CoTaskMemFree(var);
      }
      EXPECT_EQ(filter->GetValue(&var), FILTER_E_NO_MORE_VALUES);
    } else {
      EXPECT_EQ(filter->GetValue(&var), FILTER_E_NO_VALUES);
    }
    EXPECT_EQ(var, nullptr);
    out.push_back(c);
  }
  return out;
}

}  // namespace

TEST_F(Component, PropertiesComeAsValueChunksAfterTheTextWhenAskedFor) {
  Ref<IFilter> filter;
  ASSERT_EQ(NewFilter(&filter), S_OK);
  ASSERT_EQ(LoadPath(filter.get(), DOCFLT_SOURCE_DIR "/samples/welcome.doc"), S_OK);
  ULONG flags = 0;

  // Asked for nothing: text only, as the library asks.
  ASSERT_EQ(filter->Init(0, 0, nullptr, &flags), S_OK);
  std::vector<Chunk> plain = Chunks(filter.get());
  ASSERT_FALSE(plain.empty());
  for (const Chunk& c : plain) EXPECT_EQ(c.flags, CHUNK_TEXT);

  // All index attributes: the title follows the text.
  ASSERT_EQ(filter->Init(IFILTER_INIT_APPLY_INDEX_ATTRIBUTES, 0, nullptr, &flags), S_OK);
  std::vector<Chunk> all = Chunks(filter.get());
  ASSERT_EQ(all.size(), plain.size() + 1);
  EXPECT_EQ(all.back().flags, CHUNK_VALUE);
  EXPECT_EQ(all.back().propid, PROPID(2));
  EXPECT_EQ(all.back().value, u"Welcome to docflt");

  // By name: the title is asked for, the author (which the sample lacks) too.
  FULLPROPSPEC asked[2] = {};
  for (int i = 0; i < 2; ++i) {
    asked[i].guidPropSet = kSummaryInformation;
    asked[i].psProperty.ulKind = PRSPEC_PROPID;
    asked[i].psProperty.propid = i == 0 ? 4 : 2;
  }
  ASSERT_EQ(filter->Init(0, 2, asked, &flags), S_OK);
  std::vector<Chunk> named = Chunks(filter.get());
  ASSERT_EQ(named.size(), plain.size() + 1);
  EXPECT_EQ(named.back().value, u"Welcome to docflt");
  ASSERT_EQ(filter->Init(0, 1, asked, &flags), S_OK);
  EXPECT_EQ(Chunks(filter.get()).size(), plain.size());
  EXPECT_EQ(filter->Init(0, 1, nullptr, &flags), E_INVALIDARG);
}

TEST_F(Component, PropertiesOfAStorageSurviveTheHostTakingItBack) {
  HGLOBAL mem = BlockOf(DOCFLT_SOURCE_DIR "/samples/welcome.doc");
  ASSERT_NE(mem, nullptr);
  for (bool handsOff : {false, true}) {
    Ref<IFilter> filter;
    ASSERT_EQ(NewFilter(&filter), S_OK);
    ASSERT_EQ(LoadFromBlock(filter.get(), mem, handsOff), S_OK);
    ULONG flags = 0;
    ASSERT_EQ(filter->Init(IFILTER_INIT_APPLY_INDEX_ATTRIBUTES, 0, nullptr, &flags), S_OK);
    const std::vector<Chunk> chunks = Chunks(filter.get());
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.back().value, u"Welcome to docflt") << "hands off: " << handsOff;
  }
  GlobalFree(mem);
}
