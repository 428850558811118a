// Picking the temporary file's name: a new, empty file that this stream
// created, whose name is free under both of its spellings (as reserved, and
// with the extension the rename appends), so that files other processes left
// behind in the directory never make the rename fail.
#pragma once

#include "host/stream_info.h"

// Creates the file and stores its full path in `name`; false (with `name`
// empty) when no such file can be made in the directory. Never removes or
// replaces a file it did not create here.
bool ReserveTmpName(const char* pszDir, const char* pszPrefix, const char* pszExtension,
                    char (&name)[FLT_MAX_PATH]);
