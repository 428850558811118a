#include "tools/doctext/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace doctext {
namespace {

const char kUsage[] =
    "usage: doctext [--plugin PATH] [--stream] [--codepage utf8|unicode|ansi|default|N]\n"
    "               [--out-dir DIR] [--quiet] FILE|DIR...\n"
    "\n"
    "Extracts the plain text of Word 97-2003 documents (.doc, .dot) through the docflt\n"
    "plug-in, loaded from PATH as any host loads it.\n"
    "\n"
    "  --plugin PATH     the plug-in module; default: beside this program, else in\n"
    "                    ../lib/docflt/ from it\n"
    "  --stream          hand each document only through the read callback (no file\n"
    "                    path), so that the plug-in copies it into memory or a\n"
    "                    temporary file instead of letting the filter open the file\n"
    "  --codepage MODE   the text's encoding: utf8 (default), unicode (UTF-16LE),\n"
    "                    ansi (the system's ANSI code page), default (each piece of\n"
    "                    text in the code page of its language), or a code page number\n"
    "  --out-dir DIR     write each input's text to DIR/<name without extension>.txt\n"
    "                    instead of to standard output, one after another\n"
    "  --quiet           no progress display on the terminal\n"
    "  FILE|DIR          documents; directories are searched recursively for files\n"
    "                    with the plug-in's extensions\n"
    "\n"
    "Each failure is reported on standard error with the file name and the reason.\n"
    "Exit status: 0 when every document was extracted, 1 when any failed, 2 for a\n"
    "usage error or a plug-in that cannot be loaded.\n";

bool ParseCodePage(const char* text, long* mode) {
  if (!std::strcmp(text, "utf8") || !std::strcmp(text, "utf-8")) {
    *mode = 65001;
  } else if (!std::strcmp(text, "unicode")) {
    *mode = -3;
  } else if (!std::strcmp(text, "ansi")) {
    *mode = -2;
  } else if (!std::strcmp(text, "default")) {
    *mode = -1;
  } else {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < 0 || n > 65535) return false;
    *mode = n;
  }
  return true;
}

}  // namespace

int ParseOptions(int argc, char** argv, Options* options) {
  bool endOfOptions = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "doctext: %s needs a value\n", name);
        return nullptr;
      }
      return argv[++i];
    };
    if (endOfOptions || arg[0] != '-' || !std::strcmp(arg, "-")) {
      options->inputs.push_back(arg);
    } else if (!std::strcmp(arg, "--")) {
      endOfOptions = true;
    } else if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      std::fputs(kUsage, stdout);
      return -1;
    } else if (!std::strcmp(arg, "--plugin")) {
      const char* v = value(arg);
      if (!v) return 2;
      options->plugin = v;
    } else if (!std::strcmp(arg, "--stream")) {
      options->stream = true;
    } else if (!std::strcmp(arg, "--quiet") || !std::strcmp(arg, "-q")) {
      options->quiet = true;
    } else if (!std::strcmp(arg, "--codepage")) {
      const char* v = value(arg);
      if (!v) return 2;
      if (!ParseCodePage(v, &options->codePage)) {
        std::fprintf(stderr, "doctext: unknown code page '%s'\n", v);
        return 2;
      }
    } else if (!std::strcmp(arg, "--out-dir")) {
      const char* v = value(arg);
      if (!v) return 2;
      options->outDir = v;
    } else {
      std::fprintf(stderr, "doctext: unknown option '%s' (see --help)\n", arg);
      return 2;
    }
  }
  if (options->inputs.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return 0;
}

}  // namespace doctext
