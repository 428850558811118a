// Fixed values of the filter-server binding.
#pragma once

#include "platform/com.h"

// The class asked of every filter server library, however it was found:
// {F07F3920-7B8C-11CF-9BE8-00AA004B9986}.
extern const CLSID CLSID_FltFilterServer;

// The document type whose registration is looked up: the first entry of the
// library's extension list.
constexpr char kFltRegistryExtension[] = "DOC";
// IID_IFilter as a registry key name: names the filter add-in under a
// persistent handler.
constexpr char kFltFilterAddinKey[] = "{89BCB740-6119-101A-BCB7-00DD010655AF}";
// The server library tried when the settings file names none.
constexpr char kFltDefaultServerFile[] = "offfilt.dll";
