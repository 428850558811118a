// The steps of the manager's start-up that read the settings and settle the
// temporary directory.
#pragma once

#include "platform/win_types.h"

class CFltSettings;

// Reads the settings file beside the module: the module's path with "ini" in
// place of its three-character extension. Writes the default section first when
// the file has none or an empty one. Copies TMPDIR (possibly empty) into
// pszTmpDir and SERVERFILENAME (the default server unless the file names
// another) into pszServerFileName, both FLT_MAX_PATH bytes. Returns the settings
// object, owned by the caller; null, with both buffers untouched, when no
// settings file can be named or the object cannot be made.
CFltSettings* ReadModuleSettings(HMODULE hModule, char* pszTmpDir, char* pszServerFileName);

// The settings file's path for a module path into a buffer of FLT_MAX_PATH
// bytes; false when the file name does not end in a dot and three characters.
bool SettingsPathForModule(const char* pszModulePath, char* pszSettingsPath);

// Settles an empty temporary directory (FLT_MAX_PATH bytes): the platform's
// directory for temporary files, else the directory of the host's executable,
// else it stays empty.
void ChooseTmpDir(char* pszTmpDir);
