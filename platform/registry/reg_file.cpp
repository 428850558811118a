// A single pass over the file for the one key asked for: the file is small and
// read once per key opened, so nothing is kept.
#include "platform/registry/reg_file.h"

#include <algorithm>

#include "platform/profile/text_file.h"

namespace platform {
namespace {

constexpr std::string_view kRoot = "HKEY_CLASSES_ROOT";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

// `inner` is `outer` or lies below it.
bool AtOrBelow(std::string_view inner, std::string_view outer) {
  if (outer.empty()) return true;
  if (inner.size() < outer.size() || !SameName(inner.substr(0, outer.size()), outer)) return false;
  return inner.size() == outer.size() || inner[outer.size()] == '\\';
}

// The path below the classes root of a key line's name; false for other roots.
bool ClassesRootPath(std::string_view name, std::string_view* path) {
  if (name.size() < kRoot.size() || !SameName(name.substr(0, kRoot.size()), kRoot)) return false;
  name.remove_prefix(kRoot.size());
  if (!name.empty() && name.front() != '\\') return false;
  while (!name.empty() && name.front() == '\\') name.remove_prefix(1);
  while (!name.empty() && name.back() == '\\') name.remove_suffix(1);
  *path = name;
  return true;
}

// A quoted string with \\ and \" escapes; false when the closing quote is missing.
bool ParseString(std::string_view s, std::string* out) {
  if (s.empty() || s.front() != '"') return false;
  out->clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') return true;
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) c = s[++i];
    out->push_back(c);
  }
  return false;
}

// '@="text"' sets the default value, '@=-' removes it; a default value of
// another type (hex data) does not read as a string. Named values are skipped.
void ApplyDefaultValue(std::string_view line, RegKeyInfo* info) {
  if (line.empty() || line.front() != '@') return;
  line = Trim(line.substr(1));
  if (line.empty() || line.front() != '=') return;
  line = Trim(line.substr(1));
  std::string parsed;
  info->hasDefault = line != "-" && ParseString(line, &parsed);
  info->defaultValue = info->hasDefault ? std::move(parsed) : std::string();
}

}  // namespace

RegKeyInfo FindClassesRootKey(const std::string& regText, std::string_view keyPath) {
  RegKeyInfo info;
  bool sawHeader = false;
  bool inKey = false;  // the lines that follow set values of the key asked for
  TextLine line;
  for (std::size_t pos = 0; NextTextLine(regText, pos, &line); pos = line.next) {
    std::string_view text =
        Trim(std::string_view(regText).substr(line.begin, line.end - line.begin));
    if (text.empty() || text.front() == ';') continue;
    if (!sawHeader) {
      if (text != "REGEDIT4" && text != "Windows Registry Editor Version 5.00") return {};
      sawHeader = true;
      continue;
    }
    if (text.front() == '[') {
      inKey = false;
      std::size_t close = text.rfind(']');
      if (close == std::string_view::npos) continue;
      std::string_view name = Trim(text.substr(1, close - 1));
      bool remove = !name.empty() && name.front() == '-';
      if (remove) name.remove_prefix(1);
      std::string_view path;
      if (!ClassesRootPath(name, &path)) continue;
      if (remove) {
        if (AtOrBelow(keyPath, path) && !path.empty()) info = {};
      } else if (AtOrBelow(path, keyPath)) {
        info.exists = true;
        inKey = path.size() == keyPath.size();
      }
      continue;
    }
    // A value that goes on over several lines (hex data) ends its lines in '\'.
    std::string value(text);
    while (!value.empty() && value.back() == '\\' && NextTextLine(regText, line.next, &line)) {
      value.pop_back();
      value.append(Trim(std::string_view(regText).substr(line.begin, line.end - line.begin)));
    }
    if (inKey) ApplyDefaultValue(value, &info);
  }
  return info;
}

}  // namespace platform
