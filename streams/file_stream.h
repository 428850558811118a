// The file-path route: the filter server opens the document itself by the path
// the host names; no byte of the document passes through the library.
#pragma once

#include "streams/stream.h"

class CFltFileStream : public CFltStream {
 public:
  CFltFileStream() = default;
  ~CFltFileStream() override = default;
  // Creates a filter instance, has it load the host's path through IPersistFile
  // and initialises it. On failure the instance, if any, stays for destruction.
  FLTRESULT Open(FILTEREDSTREAMINFO* pInfo, IClassFactory* pFactory) override;
};
