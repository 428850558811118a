#include "streams/tmp_name.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace {

// Further numbers of the platform's four-digit form tried after its own pick,
// before going over to longer names; leftovers tend to come in long runs of
// consecutive numbers, so this is not the whole space.
constexpr unsigned kShortTries = 4096;
constexpr unsigned kLongTries = 256;

bool Exists(const char* path) { return _access(path, 0) == 0; }

// "<name>.<extension>" into `out`; false when it does not fit.
bool FinalName(const char* name, const char* extension, char (&out)[FLT_MAX_PATH]) {
  const int n = std::snprintf(out, sizeof(out), "%s.%s", name, extension);
  return n > 0 && static_cast<size_t>(n) < sizeof(out);
}

enum class Claim { kTaken, kMine, kFailed };

// Creates `name` if neither it nor its final spelling exists. The file is
// only ever created, never opened over an existing one.
Claim ClaimName(const char* name, const char* extension) {
  char final[FLT_MAX_PATH];
  if (!FinalName(name, extension, final)) return Claim::kFailed;
  if (Exists(final)) return Claim::kTaken;
  const HANDLE h =
      CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) {
    const DWORD e = GetLastError();
    return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? Claim::kTaken : Claim::kFailed;
  }
  CloseHandle(h);
  // The final spelling may have appeared meanwhile: give the name up again.
  if (Exists(final)) {
    std::remove(name);
    return Claim::kTaken;
  }
  return Claim::kMine;
}

unsigned Seed(const void* salt) {
  // Streams may be opened on several threads at once.
  static std::atomic<unsigned> counter{0};
  const auto ticks =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  const auto address = static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(salt));
  unsigned long long mix =
      ticks ^ (address << 7) ^ (static_cast<unsigned long long>(++counter) << 32);
  mix ^= mix >> 33;
  mix *= 0xff51afd7ed558ccdull;
  mix ^= mix >> 33;
  return static_cast<unsigned>(mix);
}

}  // namespace

bool ReserveTmpName(const char* pszDir, const char* pszPrefix, const char* pszExtension,
                    char (&name)[FLT_MAX_PATH]) {
  // The platform's own pick first: the usual case, one call.
  UINT start = GetTempFileNameA(pszDir, pszPrefix, 0, name);
  if (start != 0) {
    char final[FLT_MAX_PATH];
    if (!FinalName(name, pszExtension, final)) {
      std::remove(name);
      name[0] = '\0';
      return false;
    }
    if (!Exists(final)) return true;
    std::remove(name);  // created just now by the call above
  } else {
    // Every four-digit name may be taken; longer names are still free.
    start = Seed(name) & 0xFFFFu;
  }

  // The numbers after it, in the platform's form (a non-zero number only
  // formats the name).
  for (unsigned i = 1; i <= kShortTries; ++i) {
    const UINT n = (start + i - 1) % 0xFFFFu + 1;
    if (!GetTempFileNameA(pszDir, pszPrefix, n, name)) break;
    switch (ClaimName(name, pszExtension)) {
      case Claim::kMine: return true;
      case Claim::kTaken: continue;
      case Claim::kFailed: name[0] = '\0'; return false;
    }
  }

  // Eight digits: beyond the platform's numbers, so never one of its names.
  // The form is taken from the platform's name for number 1 ("...1.TMP").
  char one[FLT_MAX_PATH];
  if (!GetTempFileNameA(pszDir, pszPrefix, 1, one)) {
    name[0] = '\0';
    return false;
  }
  const size_t oneLen = std::strlen(one);
  if (oneLen < 5) {
    name[0] = '\0';
    return false;
  }
  const char* suffix = one + oneLen - 4;  // ".TMP"
  one[oneLen - 5] = '\0';
  for (unsigned i = 0; i < kLongTries; ++i) {
    const unsigned n = Seed(name) | 0x10000000u;
    const int len = std::snprintf(name, sizeof(name), "%s%08X%s", one, n, suffix);
    if (len <= 0 || static_cast<size_t>(len) >= sizeof(name)) break;
    switch (ClaimName(name, pszExtension)) {
      case Claim::kMine: return true;
      case Claim::kTaken: continue;
      case Claim::kFailed: i = kLongTries; break;
    }
  }
  name[0] = '\0';
  return false;
}
