// A small, strict JSON reader for checking doctext's records: objects,
// strings (escapes and UTF-8 checked), numbers, true, false and null.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace doctext_test {

struct Json {
  enum Kind { kNull, kBool, kNumber, kString, kObject } kind = kNull;
  bool boolean = false;
  double number = 0;
  std::string string;  // UTF-8
  std::map<std::string, std::shared_ptr<Json>> object;
  std::string order;  // the object's keys in the order written, comma-separated

  const Json& operator[](const std::string& key) const;
  bool Has(const std::string& key) const { return object.count(key) != 0; }
};

// Parses one JSON value that fills `text` (whitespace aside). False, with
// the reason, for anything that is not valid JSON or not valid UTF-8.
bool ParseJson(const std::string& text, Json* out, std::string* error);

}  // namespace doctext_test
