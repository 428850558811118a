#include "tests/support/route_host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#ifndef _WIN32
#include "platform/path.h"
#endif

namespace routes {

namespace fs = std::filesystem;

Host::Host(std::string doc) : document(std::move(doc)) {
  record_.self = this;
  record_.info.cbSize = sizeof(FILTEREDSTREAMINFO);
  record_.info.pfnRead = &Host::Read;
  record_.info.pfnGetFileName = &Host::GetFileName;
}

Host& Host::From(FILTEREDSTREAMINFO* info) {
  // The record is the first member of Record, whose second member is the host.
  return *reinterpret_cast<Record*>(info)->self;
}

LONG Host::Read(FILTEREDSTREAMINFO* info, void* buffer, DWORD cb, DWORD* count) {
  Host& h = From(info);
  const int call = ++h.readCalls;
  h.asked.push_back(cb);
  if (h.onRead) h.onRead(h, call);
  if (call == h.failAtCall) return h.failCode;
  std::size_t n = std::min<std::size_t>(cb, h.document.size() - h.position);
  if (call - 1 < static_cast<int>(h.deliverAtMost.size()))
    n = std::min<std::size_t>(n, h.deliverAtMost[call - 1]);
  std::memcpy(buffer, h.document.data() + h.position, n);
  h.position += n;
  *count = static_cast<DWORD>(n);
  // Claims more than it copied (and more than it was asked for).
  if (call == h.overReportAtCall) *count = cb + h.overReportBy;
  return 0;
}

BOOL Host::GetFileName(FILTEREDSTREAMINFO* info, char* path, DWORD cch) {
  Host& h = From(info);
  const int call = ++h.fileNameCalls;
  if (h.fileNames.empty()) return FALSE;
  const FileNameAnswer& a = h.fileNames[std::min<std::size_t>(call, h.fileNames.size()) - 1];
  if (!a.ok) return FALSE;
  std::snprintf(path, cch, "%s", a.path.c_str());
  return TRUE;
}

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

}  // namespace

bool MakeDirectory(const std::string& path) {
  std::error_code ec;
  return fs::create_directory(fs::path(path), ec);
}

TempDir::TempDir(const std::string& suffix, const std::string& within) {
  static unsigned counter = 0;
  std::error_code ec;
  std::string base = within.empty() ? fs::temp_directory_path(ec).string() : within;
  while (base.size() > 1 && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  const std::string name = "routes-" + std::to_string(std::random_device{}() % 1000000) + "-";
  for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
    const std::string candidate = base + kSeparator + name + std::to_string(counter++) + suffix;
    if (MakeDirectory(candidate)) path_ = candidate;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(fs::path(path_), ec);
}

std::string TempDir::Join(const std::string& name) const { return path_ + kSeparator + name; }

std::vector<std::string> TempDir::Entries() const { return ListDirectory(path_); }

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(path), ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) bytes->append(buf, n);
  std::fclose(f);
  return true;
}

bool FileExists(const std::string& path) {
  // Without opening it: the route holds its file exclusively while writing.
  std::error_code ec;
  return fs::exists(fs::path(path), ec);
}

std::string NarrowWidened(const std::u16string& path) {
#ifdef _WIN32
  std::string out;
  for (char16_t u : path) out.push_back(static_cast<char>(u & 0xFF));
  return out;
#else
  return platform::NarrowPath(path);
#endif
}

HRESULT ReadStreams(IStorage* storage, const std::vector<std::u16string>& names,
                    std::string* bytes) {
  if (!storage) return E_POINTER;
  bytes->clear();
  std::string buf(65536, '\0');
  for (const std::u16string& name : names) {
    IStream* stream = nullptr;
    HRESULT hr = storage->OpenStream(reinterpret_cast<const OLECHAR*>(name.c_str()), nullptr,
                                     STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr)) return hr;
    for (;;) {
      ULONG got = 0;
      hr = stream->Read(&buf[0], static_cast<ULONG>(buf.size()), &got);
      if (FAILED(hr) || got == 0) break;
      bytes->append(buf.data(), got);
    }
    stream->Release();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT ReadStreamsOfFile(const std::u16string& path, const std::vector<std::u16string>& names,
                          std::string* bytes) {
  IStorage* storage = nullptr;
  HRESULT hr = StgOpenStorage(reinterpret_cast<const OLECHAR*>(path.c_str()), nullptr,
                              STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage);
  if (FAILED(hr)) return hr;
  hr = ReadStreams(storage, names, bytes);
  storage->Release();
  return hr;
}

}  // namespace routes
