// Finding one key of the classes root in the text of a ".reg" file.
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct RegKeyInfo {
  bool exists = false;
  bool hasDefault = false;
  std::string defaultValue;
};

// keyPath is relative to the classes root, single backslashes between names,
// no leading or trailing backslash; empty names the root itself. A text that
// is not a registration file holds no keys.
RegKeyInfo FindClassesRootKey(const std::string& regText, std::string_view keyPath);

}  // namespace platform
