#include "tools/doctext/extract.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tools/doctext/messages.h"

namespace doctext {
namespace {

// The record comes first, so a callback finds its document from the record's
// address.
struct Document {
  FILTEREDSTREAMINFO info;
  std::FILE* file;
  const std::string* path;
  long codePage;
  unsigned long long size;  // measured before the plug-in asks, 64 bits everywhere
};

Document* From(FILTEREDSTREAMINFO* info) { return reinterpret_cast<Document*>(info); }

// The size of an open regular file; otherwise the reason it has none.
bool FileSize(std::FILE* file, unsigned long long* size, std::string* error) {
#ifdef _WIN32
  struct _stat64 st;
  const bool ok = _fstat64(_fileno(file), &st) == 0;
  const bool regular = ok && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat st;
  const bool ok = fstat(fileno(file), &st) == 0;
  const bool regular = ok && S_ISREG(st.st_mode);
#endif
  if (!ok) {
    *error = std::strerror(errno);
    return false;
  }
  if (!regular) {
    *error = "not a regular file";
    return false;
  }
  *size = static_cast<unsigned long long>(st.st_size);
  return true;
}

LONG FLT_CALLBACK GetSize(FILTEREDSTREAMINFO* info, DWORD* size, DWORD*) {
  const unsigned long long bytes = From(info)->size;
  if (bytes > 0xFFFFFFFFull) return kHostTooLarge;
  *size = static_cast<DWORD>(bytes);
  return 0;
}

LONG FLT_CALLBACK Read(FILTEREDSTREAMINFO* info, void* buffer, DWORD size, DWORD* read) {
  std::FILE* f = From(info)->file;
  const size_t n = std::fread(buffer, 1, size, f);
  *read = static_cast<DWORD>(n);
  return (n < size && std::ferror(f)) ? kHostReadError : 0;
}

BOOL FLT_CALLBACK GetFileName(FILTEREDSTREAMINFO* info, char* path, DWORD capacity) {
  const std::string& p = *From(info)->path;
  if (p.size() + 1 > capacity) return FALSE;  // the path route is skipped, streaming follows
  std::memcpy(path, p.c_str(), p.size() + 1);
  return TRUE;
}

LONG FLT_CALLBACK GetCodePage(FILTEREDSTREAMINFO* info) {
  return static_cast<LONG>(From(info)->codePage);
}

}  // namespace

Outcome ExtractDocument(const Plugin& plugin, const std::string& path, bool stream, long codePage,
                        std::FILE* out) {
  Outcome outcome;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    outcome.error = std::strerror(errno);
    return outcome;
  }
  Document doc{};
  doc.info.cbSize = sizeof(FILTEREDSTREAMINFO);
  doc.info.pfnGetSize = GetSize;
  doc.info.pfnRead = Read;
  // The code-page callback counts only beside a file-name callback; in stream
  // mode the file-name callback answers "no path".
  doc.info.pfnGetFileName = GetFileName;
  doc.info.pfnGetCodePage = GetCodePage;
  doc.file = file;
  static const std::string kNoPath;
  doc.path = stream ? &kNoPath : &path;
  doc.codePage = codePage;
  // Measured on the open file: a second look-up of the path costs as much as
  // a small document's parse in a batch.
  if (!FileSize(file, &doc.size, &outcome.error)) {
    std::fclose(file);
    return outcome;
  }

  outcome.result = plugin.create(&doc.info);
  if (outcome.result == FLT_OK) {
    // One buffer for the whole run: a fresh 64 KiB per document costs more
    // than a small document's text.
    static std::vector<char> buffer(1 << 16);
    for (;;) {
      DWORD got = 0;
      outcome.result =
          plugin.read(&doc.info, buffer.data(), static_cast<DWORD>(buffer.size()), &got);
      if (outcome.result != FLT_OK) break;
      if (got) std::fwrite(buffer.data(), 1, got, out);
      outcome.bytes += got;
      if (got < buffer.size()) break;
    }
    plugin.close(&doc.info);
  }
  std::fclose(file);
  return outcome;
}

}  // namespace doctext
