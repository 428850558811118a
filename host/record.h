// The only code that interprets the record's optional part.
#pragma once

#include "host/stream_info.h"

// A non-empty path is available from the host.
bool HasFileName(FILTEREDSTREAMINFO* pInfo);
// Asks the host for the path into a buffer of FLT_MAX_PATH characters.
FLTRESULT GetFileName(FILTEREDSTREAMINFO* pInfo, char* pszPath);
// The host offers a code-page callback (which also needs a file-name callback).
bool HasCodePageCallback(const FILTEREDSTREAMINFO* pInfo);
// The host's code-page mode, FLT_CP_DEFAULT when it offers none.
LONG GetCodePage(FILTEREDSTREAMINFO* pInfo);

// Translates a filter server's load or initialisation result into a result code.
FLTRESULT MapFilterError(HRESULT hr);
