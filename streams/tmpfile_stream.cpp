#include "streams/tmpfile_stream.h"

#include <cstdio>
#include <cstring>

#include "host/record.h"
#include "platform/com_ref.h"
#include "platform/files.h"
#include "platform/guard.h"
#include "streams/route_support.h"
#include "streams/tmp_name.h"

namespace {

// Closes the file on every way out of the copy.
class ScopedFile {
 public:
  explicit ScopedFile(HANDLE h) : h_(h) {}
  ~ScopedFile() {
    if (valid()) CloseHandle(h_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// Copies src into a fixed buffer when it fits; false leaves dst empty.
bool CopyIfFits(char* dst, size_t capacity, const char* src) {
  const size_t n = src ? std::strlen(src) : 0;
  if (n >= capacity) {
    dst[0] = '\0';
    return false;
  }
  std::memcpy(dst, src ? src : "", n + 1);
  return true;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

CFltTmpFileStream::CFltTmpFileStream() : CFltTmpFileStream(nullptr, nullptr) {}

CFltTmpFileStream::CFltTmpFileStream(const char* pszTmpDir, const char* pszExtension) {
  m_szTmpDir[0] = '\0';
  m_szTmpFile[0] = '\0';
  if (!pszExtension || !pszExtension[0] ||
      !CopyIfFits(m_szExtension, sizeof(m_szExtension), pszExtension))
    CopyIfFits(m_szExtension, sizeof(m_szExtension), kDefaultExtension);
  if (pszTmpDir) SetTmpDir(pszTmpDir);
}

CFltTmpFileStream::~CFltTmpFileStream() {
  // The filter may hold the file open: let it go before the file does.
  if (m_pFilter) {
    platform::GuardedRelease(m_pFilter);
    m_pFilter = nullptr;
  }
  if (m_szTmpFile[0]) {
    if (_access(m_szTmpFile, 0) == 0) std::remove(m_szTmpFile);
    m_szTmpFile[0] = '\0';
  }
}

void CFltTmpFileStream::SetTmpDir(const char* pszTmpDir) {
  CopyIfFits(m_szTmpDir, sizeof(m_szTmpDir), pszTmpDir);
}

bool CFltTmpFileStream::FinalNameFits() const {
  const size_t dir = std::strlen(m_szTmpDir);
  const size_t ext = std::strlen(m_szExtension);
  const size_t separator = IsSeparator(m_szTmpDir[dir - 1]) ? 0 : 1;
  const size_t prefix = ext < 3 ? ext : 3;
  // <dir>\<prefix>FFFF.TMP.<ext> and its NUL.
  return dir + separator + prefix + 4 + 4 + 1 + ext + 1 <= FLT_MAX_PATH;
}

FLTRESULT CFltTmpFileStream::CopyFromBlock(HANDLE hFile) {
  // The block is freed here on every path: the filter reads the file, not it.
  FLTRESULT result = FLT_ERR_MEMORY;
  void* bytes = GlobalLock(m_hMem);
  if (bytes) {
    // A block shorter than the document would be read past its end.
    if (GlobalSize(m_hMem) >= m_cbDocument) {
      DWORD written = 0;
      result = WriteFile(hFile, bytes, m_cbDocument, &written, nullptr) ? FLT_OK : FLT_ERR_ACCESS;
    }
    GlobalUnlock(m_hMem);
  }
  GlobalFree(m_hMem);
  m_hMem = nullptr;
  return result;
}

FLTRESULT CFltTmpFileStream::CopyFromHost(FILTEREDSTREAMINFO* pInfo, HANDLE hFile) {
  if (!pInfo || !pInfo->pfnRead) return FLT_ERR_INVALID;
  // m_chOut is idle until the stream is open: it serves as the copy buffer, so
  // that 64 KiB do not go on the host thread's stack.
  static_assert(kOutBytes >= kReadPiece, "copy buffer");
  unsigned char* buffer = m_chOut;
  // Not bounded by the reported size: the whole stream is copied.
  DWORD count = 0;
  for (;;) {
    const LONG hostResult = pInfo->pfnRead(pInfo, buffer, kReadPiece, &count);
    if (hostResult != 0) return static_cast<FLTRESULT>(hostResult);
    if (count == 0) return FLT_OK;
    // More than asked for: writing it would copy bytes from beyond the buffer.
    if (count > kReadPiece) return FLT_ERR_INVALID;
    DWORD written = 0;
    if (!WriteFile(hFile, buffer, count, &written, nullptr)) return FLT_ERR_ACCESS;
  }
}

FLTRESULT CFltTmpFileStream::Open(FILTEREDSTREAMINFO* pInfo, IClassFactory* pFactory) {
  if (!m_szTmpDir[0]) return FLT_ERR_INVALID;
  // A directory that leaves no room for the final name is refused before
  // anything is created in it.
  if (!FinalNameFits()) return FLT_ERR_INVALID;
  // A name free under both spellings, so that leftovers never fail the rename.
  if (!ReserveTmpName(m_szTmpDir, m_szExtension, m_szExtension, m_szTmpFile))
    return FLT_ERR_INVALID;
  const size_t extLen = std::strlen(m_szExtension);
  if (std::strlen(m_szTmpFile) + 1 + extLen >= FLT_MAX_PATH) {
    // The system chose a longer name than its documented form.
    std::remove(m_szTmpFile);
    m_szTmpFile[0] = '\0';
    return FLT_ERR_INVALID;
  }

  FLTRESULT copied;
  {
    ScopedFile file(CreateFileA(m_szTmpFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      // The name request created the file: do not leave it behind.
      std::remove(m_szTmpFile);
      m_szTmpFile[0] = '\0';
      return FLT_ERR_INVALID;
    }
    copied = m_hMem ? CopyFromBlock(file.get()) : CopyFromHost(pInfo, file.get());
  }
  // On failure the file keeps its name, so the destruction removes it.
  if (copied != FLT_OK) return copied;

  // <name>.<extension>; its length was checked when the name was made.
  char finalName[FLT_MAX_PATH];
  const size_t nameLen = std::strlen(m_szTmpFile);
  std::memcpy(finalName, m_szTmpFile, nameLen);
  finalName[nameLen] = '.';
  std::memcpy(finalName + nameLen + 1, m_szExtension, extLen + 1);
  if (!MoveFileA(m_szTmpFile, finalName)) return FLT_ERR_FAILED;
  std::memcpy(m_szTmpFile, finalName, nameLen + 1 + extLen + 1);

  if (!pFactory) return FLT_ERR_FAILED;
  if (FAILED(
          pFactory->CreateInstance(nullptr, IID_IFilter, reinterpret_cast<void**>(&m_pFilter))) ||
      !m_pFilter)
    return FLT_ERR_FAILED;
  platform::ComRef<IPersistFile> persist;
  if (FAILED(m_pFilter->QueryInterface(IID_IPersistFile, persist.put_void())) || !persist.get())
    return FLT_ERR_FAILED;

  OLECHAR widePath[FLT_MAX_PATH];
  WidenPath(m_szTmpFile, widePath);
  HRESULT hr = persist->Load(widePath, STGM_READ);
  if (FAILED(hr)) {
    // Hosts have long seen an access refusal on the copy as a format error.
    if (hr == FILTER_E_ACCESS) hr = FILTER_E_UNKNOWNFORMAT;
    return MapFilterError(hr);
  }

  ULONG flags = 0;
  hr = m_pFilter->Init(0, 0, nullptr, &flags);
  persist.reset();
  if (FAILED(hr)) return MapFilterError(hr);
  return static_cast<FLTRESULT>(hr);
}
