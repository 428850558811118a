#include "tools/doctext/properties.h"

#include <cstring>
#include <vector>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "platform/memory.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/storage.h"
#include "platform/utf.h"
#include "server/server_ids.h"
#include "server/server_lookup.h"

namespace doctext {
namespace {

// The summary-information property set and the ids of the four values.
const GUID kSummaryInformation = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};
const struct {
  PROPID id;
  const char* name;
} kWanted[] = {{2, "title"}, {3, "subject"}, {4, "author"}, {5, "keywords"}};

std::string Utf8(const WCHAR* s) {
  std::u16string_view text(reinterpret_cast<const char16_t*>(s));
  std::string out;
  platform::AppendUtf8(text, &out);
  return out;
}

// Walks the chunks of an initialised filter, keeping the wanted values.
bool Collect(IFilter* filter, Properties* out) {
  FULLPROPSPEC specs[4];
  for (int i = 0; i < 4; ++i) {
    std::memset(&specs[i], 0, sizeof specs[i]);
    specs[i].guidPropSet = kSummaryInformation;
    specs[i].psProperty.ulKind = PRSPEC_PROPID;
    specs[i].psProperty.propid = kWanted[i].id;
  }
  ULONG flags = 0;
  if (FAILED(filter->Init(0, 4, specs, &flags))) return false;
  std::string found[4];
  STAT_CHUNK stat;
  while (filter->GetChunk(&stat) == S_OK) {
    if (!(stat.flags & CHUNK_VALUE) || stat.attribute.psProperty.ulKind != PRSPEC_PROPID ||
        std::memcmp(&stat.attribute.guidPropSet, &kSummaryInformation, sizeof(GUID)) != 0)
      continue;  // text chunks are skipped without reading their text
    PROPVARIANT* value = nullptr;
    if (filter->GetValue(&value) != S_OK || !value) continue;
    for (int i = 0; i < 4; ++i) {
      if (stat.attribute.psProperty.propid == kWanted[i].id && value->vt == VT_LPWSTR &&
          value->pwszVal)
        found[i] = Utf8(value->pwszVal);
    }
    PropVariantClear(value);
    CoTaskMemFree(value);
  }
  out->clear();
  for (int i = 0; i < 4; ++i)
    if (!found[i].empty()) out->emplace_back(kWanted[i].name, found[i]);
  return true;
}

// The plug-in's settings file: its path with "ini" for its three-character
// extension.
std::string SettingsPath(const std::string& module) {
  const size_t dot = module.find_last_of('.');
  const size_t slash = module.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return module.substr(0, dot) + ".ini";
}

}  // namespace

PropertyReader::PropertyReader() = default;
PropertyReader::~PropertyReader() = default;

bool PropertyReader::Load(const std::string& pluginPath, std::string* error) {
  char server[MAX_PATH] = {};
  const std::string ini = SettingsPath(pluginPath);
  if (!ini.empty())
    GetPrivateProfileStringA("SETTINGS", "SERVERFILENAME", "", server, MAX_PATH, ini.c_str());
  if (!*server) std::strcpy(server, kFltDefaultServerFile);
  factory_ = platform::ComRef<IClassFactory>(LoadFilterServer(server, &CLSID_FltFilterServer));
  if (!factory_) {
#ifndef _WIN32
    // The plug-in's registration sits beside it, not beside this program.
    const std::string reg = ini.empty() ? "" : ini.substr(0, ini.size() - 3) + "reg";
    platform::SetRegistrationFile(reg.c_str());
#endif
    char registered[MAX_PATH] = {};
    if (FindRegisteredServer(kFltRegistryExtension, registered))
      factory_ =
          platform::ComRef<IClassFactory>(LoadFilterServer(registered, &CLSID_FltFilterServer));
  }
  if (!factory_) *error = "no filter server found for the properties";
  return static_cast<bool>(factory_);
}

bool PropertyReader::FromFile(const std::string& path, Properties* out) const {
  platform::ComRef<IFilter> filter;
  if (!factory_ || FAILED(factory_->CreateInstance(nullptr, IID_IFilter, filter.put_void())))
    return false;
  platform::ComRef<IPersistFile> persist;
  if (FAILED(filter->QueryInterface(IID_IPersistFile, persist.put_void()))) return false;
  // Widened byte by byte, as the plug-in hands paths to the server.
  std::vector<WCHAR> wide(path.begin(), path.end());
  for (size_t i = 0; i < path.size(); ++i) wide[i] = static_cast<unsigned char>(path[i]);
  wide.push_back(0);
  if (FAILED(persist->Load(wide.data(), STGM_READ))) return false;
  return Collect(filter.get(), out);
}

bool PropertyReader::FromBytes(const std::string& bytes, Properties* out) const {
  if (!factory_ || bytes.empty()) return false;
  // The block backs the storage the filter may hold: freed after the filter.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return false;
  void* p = GlobalLock(block);
  if (p) std::memcpy(p, bytes.data(), bytes.size());
  GlobalUnlock(block);
  bool ok = false;
  {
    platform::ComRef<IFilter> filter;
    platform::ComRef<IPersistStorage> persist;
    platform::ComRef<ILockBytes> lockBytes;
    platform::ComRef<IStorage> storage;
    ok = p && SUCCEEDED(factory_->CreateInstance(nullptr, IID_IFilter, filter.put_void())) &&
         SUCCEEDED(filter->QueryInterface(IID_IPersistStorage, persist.put_void())) &&
         SUCCEEDED(CreateILockBytesOnHGlobal(block, FALSE, lockBytes.put())) &&
         StgOpenStorageOnILockBytes(lockBytes.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                    nullptr, 0, storage.put()) == S_OK &&
         SUCCEEDED(persist->Load(storage.get())) && Collect(filter.get(), out);
    // Storage, lock bytes and filter go before the block they read.
  }
  GlobalFree(block);
  return ok;
}

}  // namespace doctext
