// wordtext FILE... --out-dir DIR [--chunks] [--main-only]
// Extracts each Word document and writes DIR/<name>.txt in UTF-8 (the name
// without its extension); with --chunks also DIR/<name>.chunks listing each
// chunk's locale and break type. Prints one status line per file and the time
// the parser took for all of them. Exits 1 when any file failed to extract.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/wordtext/utf8.h"
#include "wordfilt/doc/compound_streams.h"

namespace {

const char* StatusText(wordfilt::LoadStatus s) {
  switch (s) {
    case wordfilt::LoadStatus::kOk: return "ok";
    case wordfilt::LoadStatus::kNotWord: return "not-word";
    case wordfilt::LoadStatus::kEncrypted: return "encrypted";
    case wordfilt::LoadStatus::kDamaged: return "damaged";
  }
  return "?";
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

std::string BaseName(const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

std::string ChunkList(const wordfilt::DocumentText& text) {
  std::string out;
  for (std::size_t i = 0; i < text.chunks.size(); ++i) {
    char head[48];
    std::snprintf(head, sizeof head, "[%04x %d] ", text.chunks[i].locale, text.chunks[i].breakType);
    out += head;
    wordtext::AppendUtf8(text.ChunkText(i), out);
    out += '\n';
  }
  return out;
}

int Usage() {
  std::fprintf(stderr, "usage: wordtext FILE... --out-dir DIR [--chunks] [--main-only]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  std::string outDir;
  bool chunks = false;
  wordfilt::ExtractOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out-dir" && i + 1 < argc) {
      outDir = argv[++i];
    } else if (arg == "--chunks") {
      chunks = true;
    } else if (arg == "--main-only") {
      options.mainTextOnly = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty() || outDir.empty()) return Usage();

  int failed = 0;
  double seconds = 0;
  std::vector<std::uint8_t> bytes;
  wordfilt::DocumentText text;
  for (const std::string& path : files) {
    if (!ReadFile(path, bytes)) {
      std::printf("%-8s %s (cannot read)\n", "error", path.c_str());
      ++failed;
      continue;
    }
    const auto start = std::chrono::steady_clock::now();
    const wordfilt::LoadStatus status =
        wordfilt::ExtractFromBytes(bytes.data(), bytes.size(), text, options);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-9s %s chars=%zu chunks=%zu%s\n", StatusText(status), path.c_str(),
                text.text.size(), text.chunks.size(), text.truncated ? " truncated" : "");
    if (status != wordfilt::LoadStatus::kOk) {
      ++failed;
      continue;
    }
    std::string utf8;
    wordtext::AppendUtf8(text.text, utf8);
    const std::string base = outDir + "/" + BaseName(path);
    if (!WriteFile(base + ".txt", utf8) ||
        (chunks && !WriteFile(base + ".chunks", ChunkList(text)))) {
      std::printf("%-9s %s (cannot write)\n", "error", path.c_str());
      ++failed;
    }
  }
  std::printf("%zu files, %d not extracted, parser time %.3f s\n", files.size(), failed, seconds);
  return failed == 0 ? 0 : 1;
}
