#include "tests/server/test_support.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/registry.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace server_test {
namespace {

constexpr char kHandlerClsid[] = "{5D0C0F11-7E57-4A1D-9C11-0000D0C5E7A1}";
constexpr char kFilterClsid[] = "{5D0C0F11-7E57-4A1D-9C11-0000D0C5E7A2}";
constexpr char kAddinKey[] = "{89BCB740-6119-101A-BCB7-00DD010655AF}";

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(GetCurrentProcessId());
#else
  return static_cast<long>(getpid());
#endif
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "docflt-server-" << ProcessId() << "-" << stamp << "-" << counter++;
    fs::path p = fs::temp_directory_path() / name.str();
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.string();
      return;
    }
  }
  throw std::runtime_error("no temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
  return (fs::path(path_) / name).string();
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::string NativePath(const char* path) {
#ifdef _WIN32
  std::string p = path;
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
#else
  return path;
#endif
}

LoadedModule::LoadedModule(const std::string& path) {
#ifdef _WIN32
  handle_ = LoadLibraryA(path.c_str());
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (!handle_) throw std::runtime_error("cannot load " + path);
}

LoadedModule::~LoadedModule() {
#ifdef _WIN32
  FreeLibrary(handle_);
#else
  dlclose(handle_);
#endif
}

void* LoadedModule::Symbol(const char* name) const {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(handle_, name));
#else
  return dlsym(handle_, name);
#endif
}

namespace {
std::string CopiedModule(const TempDir& dir, const std::string& fileName) {
  std::string path = dir.File(fileName);
  fs::copy_file(NativePath(ANCHOR_MODULE), path, fs::copy_options::overwrite_existing);
  return path;
}
}  // namespace

PluginCopy::PluginCopy(const TempDir& dir, const std::string& fileName)
    : path_(CopiedModule(dir, fileName)), module_(path_) {}

FakeServer::FakeServer(const char* buildPath, std::uint32_t mode)
    : path_(NativePath(buildPath)), module_(path_) {
  SetMode(mode);
}

void FakeServer::SetMode(std::uint32_t mode) {
  auto set = reinterpret_cast<fake_server::SetModeFn>(module_.Symbol(fake_server::kSetMode));
  if (!set) throw std::runtime_error("no mode knob in " + path_);
  set(mode);
}

fake_server::Stats FakeServer::Stats() const {
  auto get = reinterpret_cast<fake_server::GetStatsFn>(module_.Symbol(fake_server::kGetStats));
  if (!get) throw std::runtime_error("no stats knob in " + path_);
  fake_server::Stats stats{};
  get(&stats);
  return stats;
}

void RegisterServer(ClassesRootKeys* keys, const std::string& extension,
                    const std::string& serverPath) {
  keys->Set("." + extension + "\\PersistentHandler", kHandlerClsid);
  keys->Set(std::string("CLSID\\") + kHandlerClsid + "\\PersistentAddinsRegistered\\" + kAddinKey,
            kFilterClsid);
  keys->Set(std::string("CLSID\\") + kFilterClsid + "\\InprocServer32", serverPath);
}

#ifdef _WIN32

namespace {
bool KeyExists(const std::string& key) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}
}  // namespace

bool ForeignDocRegistration() {
  char value[260];
  LONG cb = sizeof value;
  return RegQueryValueA(HKEY_CLASSES_ROOT, ".DOC\\PersistentHandler", value, &cb) ==
             ERROR_SUCCESS &&
         std::string(value) != kHandlerClsid;
}

ClassesRootKeys::ClassesRootKeys(const TempDir&) {}

ClassesRootKeys::~ClassesRootKeys() {
  for (auto it = created_.rbegin(); it != created_.rend(); ++it)
    RegDeleteTreeA(HKEY_CLASSES_ROOT, it->c_str());
  for (auto it = created_.rbegin(); it != created_.rend(); ++it)
    RegDeleteKeyA(HKEY_CLASSES_ROOT, it->c_str());
}

void ClassesRootKeys::Create(const std::string& key) {
  // Remember the outermost key this creates, so that only what the test added
  // is deleted again.
  for (std::size_t pos = 0;; ++pos) {
    pos = key.find('\\', pos);
    std::string prefix = key.substr(0, pos);
    if (!KeyExists(prefix)) {
      created_.push_back(prefix);
      break;
    }
    if (pos == std::string::npos) break;
  }
  HKEY k = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create " + key);
  RegCloseKey(k);
}

void ClassesRootKeys::Set(const std::string& key, const std::string& value) {
  Create(key);
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open " + key);
  RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(k);
}

#else

bool ForeignDocRegistration() { return false; }

namespace {
std::string RegString(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}
}  // namespace

ClassesRootKeys::ClassesRootKeys(const TempDir& dir)
    : file_(dir.File("classes.reg")), text_("REGEDIT4\r\n\r\n") {
  WriteFileBytes(file_, text_);
  platform::SetRegistrationFile(file_.c_str());
}

ClassesRootKeys::~ClassesRootKeys() { platform::SetRegistrationFile(nullptr); }

void ClassesRootKeys::Create(const std::string& key) {
  text_ += "[HKEY_CLASSES_ROOT\\" + key + "]\r\n\r\n";
  WriteFileBytes(file_, text_);
}

void ClassesRootKeys::Set(const std::string& key, const std::string& value) {
  text_ += "[HKEY_CLASSES_ROOT\\" + key + "]\r\n@=\"" + RegString(value) + "\"\r\n\r\n";
  WriteFileBytes(file_, text_);
}

#endif

}  // namespace server_test
