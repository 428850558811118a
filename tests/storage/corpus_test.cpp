// Real documents from the shared corpus, and the inputs the fuzzer found: all
// open or are refused cleanly and promptly; compound files expose their
// WordDocument stream the same way through both interfaces.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "test_support.h"
#ifndef _WIN32
#include "platform/com_ref.h"
#include "platform/storage.h"
#endif

namespace cfbtest {
namespace {

namespace fs = std::filesystem;
using platform::cfb::kRootEntry;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> FilesIn(const fs::path& dir) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file()) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

bool HasSignature(const std::vector<std::uint8_t>& b) {
  const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return b.size() >= 8 && std::memcmp(b.data(), sig, 8) == 0;
}

#ifndef _WIN32
// WordDocument through the component interfaces, opened by path.
HRESULT ReadByPath(const fs::path& p, std::vector<std::uint8_t>* out) {
  std::u16string wide;
  for (unsigned char c : p.string()) wide.push_back(c);
  platform::ComRef<IStorage> st;
  HRESULT hr =
      StgOpenStorage(wide.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, st.put());
  if (FAILED(hr)) return hr;
  platform::ComRef<IStream> s;
  hr = st->OpenStream(u"WordDocument", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, s.put());
  if (FAILED(hr)) return hr;
  out->resize(1 << 16);
  std::size_t total = 0;
  for (;;) {
    if (out->size() - total < 65536) out->resize(out->size() * 2);
    ULONG got = 0;
    hr = s->Read(out->data() + total, 65536, &got);
    if (FAILED(hr)) return hr;
    if (got == 0) break;
    total += got;
  }
  out->resize(total);
  return S_OK;
}
#endif

TEST(Corpus, EveryDocumentOpensOrIsRefusedCleanly) {
  const fs::path dir = fs::path(DOCFLT_SHARED_DIR) / "corpus" / "docs";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no shared corpus at " << dir;
  std::size_t compound = 0, withWordDocument = 0;
  double seconds = 0;
  std::uint64_t bytes = 0;
  for (const fs::path& p : FilesIn(dir)) {
    SCOPED_TRACE(p.filename().string());
    const auto data = Slurp(p);
    const auto t0 = Clock::now();
    Status s;
    auto f = CompoundFile::OpenMemory(data.data(), data.size(), &s);
    std::vector<std::uint8_t> doc;
    Status docStatus = Status::kNotFound;
    if (f) {
      platform::cfb::StreamReader r;
      docStatus = f->openStream(kRootEntry, u"WordDocument", &r);
      if (docStatus == Status::kOk) docStatus = r.readAll(&doc);
    }
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    seconds += took;
    EXPECT_LT(took, 1.0);
    if (!HasSignature(data)) {
      EXPECT_FALSE(f);
      continue;
    }
    ++compound;
    if (!f) continue;
    ReadEverything(*f);
    if (docStatus == Status::kOk) {
      ++withWordDocument;
      bytes += doc.size();
    }
#ifndef _WIN32
    std::vector<std::uint8_t> viaCom;
    const HRESULT hr = ReadByPath(p, &viaCom);
    EXPECT_EQ(SUCCEEDED(hr), docStatus == Status::kOk) << std::hex << hr;
    if (SUCCEEDED(hr)) {
      EXPECT_TRUE(viaCom == doc);
    }
#endif
  }
  // Nearly every compound file in the corpus is a Word file.
  EXPECT_GE(withWordDocument * 10, compound * 9);
  std::printf("[ corpus   ] %zu compound files, %zu with WordDocument (%.1f MB) in %.1f ms\n",
              compound, withWordDocument, bytes / 1e6, seconds * 1e3);
}

TEST(Corpus, FuzzerFindingsStayHarmless) {
  const fs::path dir = fs::path(DOCFLT_SOURCE_DIR) / "fuzz" / "corpus" / "cfb";
  const auto files = FilesIn(dir);
  ASSERT_FALSE(files.empty()) << "no inputs in " << dir;
  for (const fs::path& p : files) {
    SCOPED_TRACE(p.filename().string());
    const auto data = Slurp(p);
    const auto t0 = Clock::now();
    Status s;
    auto f = CompoundFile::OpenMemory(data.data(), data.size(), &s);
    if (f) ReadEverything(*f);
#ifndef _WIN32
    std::vector<std::uint8_t> viaCom;
    ReadByPath(p, &viaCom);
#endif
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 1.0);
  }
}

}  // namespace
}  // namespace cfbtest
