// The temporary-file route: the document is copied into a uniquely named file
// in the temporary directory, renamed to end in ".DOC" and loaded by path. The
// file lives as long as the stream.
#pragma once

#include "streams/stream.h"

class CFltTmpFileStream : public CFltStream {
 public:
  // Bytes asked of the host in one call.
  static constexpr DWORD kReadPiece = 65536;
  static constexpr const char* kDefaultExtension = "DOC";
  static constexpr DWORD kMaxExtension = 15;

  // No directory yet (Open refuses until SetTmpDir), extension "DOC".
  CFltTmpFileStream();
  // The manager's temporary directory and the first entry of its extension
  // list: the extension is both the prefix of the temporary name and the
  // suffix appended by the rename. A missing or over-long extension means "DOC".
  CFltTmpFileStream(const char* pszTmpDir, const char* pszExtension);
  // Releases the filter, then removes the file it may still have had open.
  ~CFltTmpFileStream() override;

  // Copies the directory; one that does not fit FLT_MAX_PATH leaves it empty,
  // so that Open refuses instead of using a truncated directory.
  void SetTmpDir(const char* pszTmpDir);

  // Copies the document (from m_hMem when the manager handed a block over,
  // else from the host), renames the file and loads it into a new filter.
  FLTRESULT Open(FILTEREDSTREAMINFO* pInfo, IClassFactory* pFactory) override;

  char m_szTmpDir[FLT_MAX_PATH];
  // The file this stream has on disk; empty while it has none.
  char m_szTmpFile[FLT_MAX_PATH];

 private:
  FLTRESULT CopyFromBlock(HANDLE hFile);
  FLTRESULT CopyFromHost(FILTEREDSTREAMINFO* pInfo, HANDLE hFile);
  // The directory leaves room for the longest temporary name plus the suffix.
  bool FinalNameFits() const;

  char m_szExtension[kMaxExtension + 1];
};
