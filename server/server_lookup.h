// Finding and loading the filter server: the free functions of start-up.
#pragma once

#include "platform/com.h"
#include "platform/registry.h"

// Loads the server library (a path, or a bare name found by the platform's
// library search) and returns its class factory for the class id, holding one
// reference, after checking that the factory makes a filter instance. Null when
// the library does not load, lacks DllGetClassObject, refuses the class or its
// factory fails to make an instance. The library is never unloaded here.
IClassFactory* LoadFilterServer(const char* pszPath, const CLSID* pClsid);

// The default value of the key under the root into a buffer of FLT_MAX_PATH
// bytes: 0, or the platform's non-zero error code (also when the value does not
// fit, in which case the buffer is left alone).
LONG QueryDefaultValue(HKEY hRoot, const char* pszSubKey, char* pszValue);

// QueryDefaultValue under HKEY_CLASSES_ROOT: TRUE when it answered 0.
BOOL QueryClassesRootDefault(const char* pszSubKey, char* pszValue);

// The server library registered for the extension (without its dot): the
// persistent handler's filter add-in's in-process server path, into a buffer of
// FLT_MAX_PATH bytes. False when a key is missing or unreadable, or when a key
// path would not fit FLT_MAX_PATH - 1 characters.
bool FindRegisteredServer(const char* pszExtension, char* pszServerPath);
