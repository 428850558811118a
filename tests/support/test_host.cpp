#include "tests/support/test_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace fs = std::filesystem;

namespace e2e {
namespace {

Document* From(FILTEREDSTREAMINFO* info) { return reinterpret_cast<Document*>(info); }

LONG FLT_CALLBACK GetSize(FILTEREDSTREAMINFO* info, DWORD* size, DWORD*) {
  *size = static_cast<DWORD>(From(info)->bytes.size());
  return 0;
}

LONG FLT_CALLBACK Read(FILTEREDSTREAMINFO* info, void* buffer, DWORD cb, DWORD* got) {
  Document* d = From(info);
  ++d->readCalls;
  const size_t n = std::min<size_t>(cb, d->bytes.size() - d->at);
  std::memcpy(buffer, d->bytes.data() + d->at, n);
  d->at += n;
  *got = static_cast<DWORD>(n);
  return 0;
}

BOOL FLT_CALLBACK GetFileName(FILTEREDSTREAMINFO* info, char* path, DWORD cch) {
  Document* d = From(info);
  ++d->fileNameCalls;
  if (d->path.empty() || d->path.size() + 1 > cch) return FALSE;
  std::memcpy(path, d->path.c_str(), d->path.size() + 1);
  return TRUE;
}

LONG FLT_CALLBACK GetCodePage(FILTEREDSTREAMINFO* info) { return From(info)->codePage; }

}  // namespace

Document::Document(const std::string& file, bool byPath, LONG cp) : codePage(cp) {
  static_assert(offsetof(Document, info) == 0, "callbacks find the document by the record");
  bytes = ReadFile(file);
  if (byPath) path = file;
  info.cbSize = sizeof(info);
  info.pfnGetSize = GetSize;
  info.pfnRead = Read;
  info.pfnGetFileName = GetFileName;
  info.pfnGetCodePage = GetCodePage;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string CorpusDir() {
  std::error_code ec;
  const fs::path dir = fs::path(DOCFLT_SHARED_DIR) / "corpus";
  return fs::is_directory(dir / "docs", ec) ? dir.string() : std::string();
}

std::vector<std::string> CorpusDocs() {
  std::vector<std::string> docs;
  const std::string dir = CorpusDir();
  if (dir.empty()) return docs;
  for (const auto& e : fs::directory_iterator(fs::path(dir) / "docs"))
    docs.push_back(e.path().string());
  std::sort(docs.begin(), docs.end());
  return docs;
}

TempDir::TempDir() {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path p = base / ("docflt-e2e-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path = p.string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path, ec);
}

std::vector<std::string> TempDir::Entries() const {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(path)) out.push_back(e.path().filename().string());
  return out;
}

Plugin::Plugin(const std::string& tmpDir) {
  const fs::path plugin = fs::path(dir_.path) / fs::path(DOCFLT_PLUGIN_FILE).filename();
  fs::copy_file(DOCFLT_PLUGIN_FILE, plugin);
  fs::path settings = plugin;
  settings.replace_extension(".ini");
  std::ofstream(settings, std::ios::binary)
      << "[SETTINGS]\r\nTMPDIR=" << tmpDir << "\r\nSERVERFILENAME=" << DOCFLT_SERVER_FILE << "\r\n";
#ifdef _WIN32
  module_ = reinterpret_cast<void*>(LoadLibraryA(plugin.string().c_str()));
  auto sym = [this](const char* n) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), n));
  };
#else
  module_ = dlopen(plugin.string().c_str(), RTLD_NOW | RTLD_LOCAL);
  auto sym = [this](const char* n) { return dlsym(module_, n); };
#endif
  if (!module_) return;
  getExtensions = reinterpret_cast<decltype(getExtensions)>(sym("GetFilterExtensions"));
  create = reinterpret_cast<decltype(create)>(sym("CreateFilteredStream"));
  read = reinterpret_cast<decltype(read)>(sym("ReadFilteredStream"));
  close = reinterpret_cast<decltype(close)>(sym("CloseFilteredStream"));
}

Plugin::~Plugin() {
  if (!module_) return;
#ifdef _WIN32
  FreeLibrary(static_cast<HMODULE>(module_));
#else
  dlclose(module_);
#endif
}

FLTRESULT Plugin::Extract(Document* doc, std::string* text, DWORD cb) {
  text->clear();
  FLTRESULT rc = create(&doc->info);
  if (rc != FLT_OK) return rc;
  std::string buffer(cb, '\0');
  for (;;) {
    DWORD got = 0;
    rc = read(&doc->info, buffer.data(), cb, &got);
    if (rc != FLT_OK) break;
    text->append(buffer.data(), got);
    if (got < cb) break;
  }
  close(&doc->info);
  return rc;
}

std::string ToUtf8(const std::string& bytes, UINT codePage) {
  const int n =
      MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::vector<WCHAR> wide(static_cast<size_t>(n) + 1);
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}

}  // namespace e2e
