#include "isolation_support.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace isotest {

#ifdef _WIN32
std::vector<unsigned long> ChildIds() {
  std::vector<unsigned long> out;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL ok = Process32FirstW(snapshot, &e); ok; ok = Process32NextW(snapshot, &e)) {
    if (e.th32ParentProcessID == GetCurrentProcessId()) out.push_back(e.th32ProcessID);
  }
  CloseHandle(snapshot);
  return out;
}

std::uintptr_t FreshHandleMark() {
  HANDLE h[8];
  std::uintptr_t mark = 0;
  for (HANDLE& e : h) {
    e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    mark = std::max(mark, reinterpret_cast<std::uintptr_t>(e));
  }
  for (HANDLE e : h) CloseHandle(e);
  return mark;
}

int getpid() { return static_cast<int>(GetCurrentProcessId()); }
#else
std::vector<Child> Children() {
  std::vector<Child> out;
  const pid_t self = getpid();
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...: comm may hold spaces, so parse from the last ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    char state = 0;
    long ppid = 0;
    rest >> state >> ppid;
    if (ppid == self) out.push_back({static_cast<pid_t>(std::stol(name)), state});
  }
  return out;
}

std::size_t ZombieCount() {
  std::size_t n = 0;
  for (const Child& c : Children()) n += c.state == 'Z';
  return n;
}

pid_t WaitForChild(int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    for (const Child& c : Children()) {
      if (c.state != 'Z') return c.pid;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

std::size_t OpenFdCount() {
  std::size_t n = 0;
  for (auto it = fs::directory_iterator("/proc/self/fd"); it != fs::directory_iterator(); ++it) ++n;
  return n;
}
#endif

TempDir::TempDir(const std::string& tag) {
  std::random_device rd;
  path = fs::temp_directory_path() /
         ("wordfilt-iso-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
  fs::create_directories(path);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path, ec);
}

std::string TempDir::File(const std::string& name, const std::string& bytes) const {
  const std::string p = (path / name).string();
  std::ofstream(p, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p;
}

bool TempDir::Empty() const { return fs::is_empty(path); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Marker(const std::string& mode) { return "WORDFILT-FAULT:" + mode + "\n"; }

std::string SampleDoc() { return std::string(DOCFLT_SOURCE_DIR) + "/samples/welcome.doc"; }

std::vector<std::string> CorpusDocs() {
  std::vector<std::string> docs;
  const fs::path dir = fs::path(DOCFLT_SHARED_DIR) / "corpus" / "docs";
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return docs;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.is_regular_file()) docs.push_back(e.path().string());
  }
  std::sort(docs.begin(), docs.end());
  return docs;
}

std::string Describe(const wordfilt::DocumentText& doc) {
  const std::u16string_view text = doc.Text();  // where it lies, copied or in place
  std::ostringstream s;
  s << "text " << text.size() << (doc.truncated ? " truncated" : "") << "\n";
  for (const auto& c : doc.chunks)
    s << "chunk " << c.offset << "+" << c.length << " " << std::hex << c.locale << std::dec << " "
      << c.breakType << "\n";
  for (const auto& p : doc.properties) {
    s << "prop " << p.id << " ";
    for (char16_t u : p.value) s << static_cast<unsigned>(u) << ",";
    s << "\n";
  }
  s << std::string(text.begin(), text.end());  // units cut to bytes: enough to compare
  for (char16_t u : text) s << static_cast<char>(u >> 8);
  return s.str();
}

}  // namespace isotest
