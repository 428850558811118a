#include "tools/doctext/inputs.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace doctext {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

Inputs::~Inputs() {
  if (list_ && ownsList_) std::fclose(list_);
}

// Files are taken whatever their extension; directories contribute the files
// with the plug-in's extensions, in sorted order; "-" is standard input.
bool Inputs::Add(const std::string& input) {
  std::error_code ec;
  if (input == "-" || !fs::is_directory(input, ec)) {
    pending_.push_back(input);
    ++total_;
    return true;
  }
  std::vector<std::string> found;
  fs::recursive_directory_iterator it(input, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string ext = Upper(it->path().extension().string());
    if (!ext.empty()) ext.erase(0, 1);
    if (std::find(exts_.begin(), exts_.end(), ext) != exts_.end())
      found.push_back(it->path().string());
  }
  bool ok = true;
  if (ec) {
    std::fprintf(stderr, "doctext: %s: %s\n", input.c_str(), ec.message().c_str());
    ok = ok_ = false;
  }
  std::sort(found.begin(), found.end());
  pending_.insert(pending_.end(), found.begin(), found.end());
  total_ += found.size();
  return ok;
}

bool Inputs::AddArguments(const std::vector<std::string>& args) {
  bool ok = true;
  for (const std::string& a : args) ok = Add(a) && ok;
  return ok;
}

bool Inputs::OpenList(const std::string& list, bool nulSeparated, std::string* error) {
  separator_ = nulSeparated ? '\0' : '\n';
  listName_ = list;
  if (list == "-") {
    list_ = stdin;
    return true;
  }
  list_ = std::fopen(list.c_str(), "rb");
  if (!list_) {
    *error = std::strerror(errno);
    return false;
  }
  ownsList_ = true;
  return true;
}

bool Inputs::Next(std::string* path) {
  while (pending_.empty() && list_) {
    std::string name;
    int c;
    while ((c = std::getc(list_)) != EOF && c != static_cast<unsigned char>(separator_))
      name.push_back(static_cast<char>(c));
    if (c == EOF) {
      if (std::ferror(list_)) {
        std::fprintf(stderr, "doctext: %s: %s\n", listName_.c_str(), std::strerror(errno));
        ok_ = false;
      }
      if (ownsList_) std::fclose(list_);
      list_ = nullptr;
    }
    if (separator_ == '\n' && !name.empty() && name.back() == '\r') name.pop_back();
    if (!name.empty()) Add(name);  // empty lines name nothing
  }
  if (pending_.empty()) return false;
  *path = std::move(pending_.front());
  pending_.pop_front();
  return true;
}

}  // namespace doctext
