#include "tools/doctext/extract.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/doctext/messages.h"

namespace doctext {

// The record comes first, so a callback finds its document from the record's
// address.
struct Extractor::Document {
  FILTEREDSTREAMINFO info;
  std::FILE* file;            // the source, or null for bytes in memory
  const std::string* bytes;   // ... those bytes
  unsigned long long offset;  // next byte of `bytes` to hand out
  const std::string* path;    // empty: no path for the plug-in
  long codePage;
  unsigned long long size;  // measured before the plug-in asks, 64 bits everywhere
};

namespace {

using Document = Extractor::Document;

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

FLT_LONG FLT_CALLBACK GetSize(FILTEREDSTREAMINFO* info, FLT_DWORD* size, FLT_DWORD*) {
  const unsigned long long bytes = From(info)->size;
  if (bytes > 0xFFFFFFFFull) return kHostTooLarge;
  *size = static_cast<FLT_DWORD>(bytes);
  return 0;
}

FLT_LONG FLT_CALLBACK Read(FILTEREDSTREAMINFO* info, void* buffer, FLT_DWORD size,
                           FLT_DWORD* read) {
  Document* doc = From(info);
  if (!doc->file) {
    const unsigned long long left = doc->bytes->size() - doc->offset;
    const size_t n = static_cast<size_t>(left < size ? left : size);
    if (n) std::memcpy(buffer, doc->bytes->data() + doc->offset, n);
    doc->offset += n;
    *read = static_cast<FLT_DWORD>(n);
    return 0;
  }
  const size_t n = std::fread(buffer, 1, size, doc->file);
  *read = static_cast<FLT_DWORD>(n);
  return (n < size && std::ferror(doc->file)) ? kHostReadError : 0;
}

FLT_BOOL FLT_CALLBACK GetFileName(FILTEREDSTREAMINFO* info, char* path, FLT_DWORD capacity) {
  const std::string& p = *From(info)->path;
  if (p.size() + 1 > capacity) return 0;  // the path route is skipped, streaming follows
  std::memcpy(path, p.c_str(), p.size() + 1);
  return 1;
}

FLT_LONG FLT_CALLBACK GetCodePage(FILTEREDSTREAMINFO* info) {
  return static_cast<FLT_LONG>(From(info)->codePage);
}

const std::string kNoPath;

}  // namespace

Outcome Extractor::File(const std::string& path, std::FILE* out, std::string* text) {
  Outcome outcome;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    outcome.result = kHostOpenError;
    outcome.error = std::strerror(errno);
    return outcome;
  }
  Document doc{};
  doc.file = file;
  // The code-page callback counts only beside a file-name callback; in stream
  // mode the file-name callback answers "no path".
  doc.path = stream_ ? &kNoPath : &path;
  // Measured on the open file: a second look-up of the path costs as much as
  // a small document's parse in a batch.
  if (!FileSize(file, &doc.size, &outcome.error)) {
    outcome.result = kHostOpenError;
    std::fclose(file);
    return outcome;
  }
  outcome = Run(&doc, out, text);
  std::fclose(file);
  return outcome;
}

Outcome Extractor::Bytes(const std::string& bytes, std::FILE* out, std::string* text) {
  Document doc{};
  doc.bytes = &bytes;
  doc.path = &kNoPath;
  doc.size = bytes.size();
  return Run(&doc, out, text);
}

Outcome Extractor::Run(Document* doc, std::FILE* out, std::string* text) {
  Outcome outcome;
  doc->info.cbSize = sizeof(FILTEREDSTREAMINFO);
  doc->info.pfnGetSize = GetSize;
  doc->info.pfnRead = Read;
  doc->info.pfnGetFileName = GetFileName;
  doc->info.pfnGetCodePage = GetCodePage;
  doc->codePage = codePage_;
  outcome.result = plugin_.create(&doc->info);
  if (outcome.result != FLT_OK) return outcome;
  for (;;) {
    FLT_DWORD got = 0;
    outcome.result = plugin_.read(&doc->info, buffer_.get(), FLT_DWORD(kBuffer), &got);
    if (outcome.result != FLT_OK) break;
    if (got) {
      if (out) {
        std::fwrite(buffer_.get(), 1, got, out);
      } else {
        text->append(buffer_.get(), got);
      }
    }
    outcome.bytes += got;
    if (got < kBuffer) break;
  }
  plugin_.close(&doc->info);
  return outcome;
}

bool ReadStandardInput(std::string* bytes, std::string* error) {
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  char chunk[1 << 16];
  for (;;) {
    const size_t n = std::fread(chunk, 1, sizeof chunk, stdin);
    bytes->append(chunk, n);
    if (n < sizeof chunk) break;
  }
  if (std::ferror(stdin)) {
    *error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace doctext
