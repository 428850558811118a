// The Windows profile functions over ProfileText and TextFile. Nothing here
// throws past the function boundary: an allocation failure reads as a missing
// file and fails a write.
#ifndef _WIN32
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/profile/profile_text.h"
#include "platform/profile/text_file.h"

namespace {

using platform::ProfileText;
using platform::ReadResult;
using platform::TextFile;

std::string_view TrimmedName(const char* name) {
  std::string_view s(name);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

DWORD StoreString(std::string_view value, LPSTR buffer, DWORD size) {
  std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

void EmptyList(LPSTR buffer, DWORD size) {
  if (size > 0) buffer[0] = '\0';
  if (size > 1) buffer[1] = '\0';
}

}  // namespace

DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR fileName) {
  if (!buffer || size == 0) return 0;
  EmptyList(buffer, size);
  if (!section || !fileName || size < 2) return 0;
  try {
    TextFile file;
    if (platform::ReadTextFile(fileName, &file) != ReadResult::kOk) return 0;
    std::vector<std::string> entries;
    if (!ProfileText(std::move(file.text)).SectionEntries(TrimmedName(section), &entries)) return 0;
    DWORD pos = 0;
    for (const std::string& e : entries) {
      // Room is kept for the list's final NUL.
      if (e.size() + 1 > size - 1 - pos) {
        // Cut the entry to what fits; a full list keeps its last entry whole.
        DWORD n = pos < size - 2 ? size - 2 - pos : 0;
        std::memcpy(buffer + pos, e.data(), n);
        buffer[size - 2] = '\0';
        buffer[size - 1] = '\0';
        return size - 2;
      }
      std::memcpy(buffer + pos, e.c_str(), e.size() + 1);
      pos += static_cast<DWORD>(e.size() + 1);
    }
    buffer[pos] = '\0';
    return pos;
  } catch (...) {
    EmptyList(buffer, size);
    return 0;
  }
}

BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR text, LPCSTR fileName) {
  if (!section || !fileName) return FALSE;
  try {
    TextFile file;
    ReadResult read = platform::ReadTextFile(fileName, &file);
    // An existing file that cannot be read whole is never overwritten.
    if (read != ReadResult::kOk && read != ReadResult::kMissing) return FALSE;
    if (read == ReadResult::kMissing && !text) return TRUE;
    ProfileText profile(std::move(file.text));
    if (!text) {
      profile.RemoveSection(TrimmedName(section));
    } else {
      std::vector<std::string_view> lines;
      for (const char* p = text; *p; p += std::strlen(p) + 1) lines.emplace_back(p);
      profile.ReplaceSection(TrimmedName(section), lines);
    }
    file.text = profile.TakeText();
    return platform::WriteTextFile(fileName, file) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
  if (!buffer || size == 0) return 0;
  if (!section || !key) {
    EmptyList(buffer, size);
    return 0;
  }
  try {
    TextFile file;
    if (fileName && platform::ReadTextFile(fileName, &file) == ReadResult::kOk) {
      ProfileText profile(std::move(file.text));
      std::string_view value;
      if (profile.FindValue(TrimmedName(section), TrimmedName(key), &value))
        return StoreString(platform::StripQuotes(value), buffer, size);
    }
  } catch (...) {
    // Read as a missing file: the default follows.
  }
  std::string_view def = defaultValue ? defaultValue : "";
  while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
  return StoreString(def, buffer, size);
}
#endif
