#include "tools/doctext/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace doctext {
namespace {

const char kUsage[] =
    "usage: doctext [--plugin PATH] [--stream] [--codepage utf8|unicode|ansi|default|N]\n"
    "               [--format text|jsonl] [--properties] [--files-from LIST [-0]]\n"
    "               [-j N] [--out-dir DIR] [--quiet] [FILE|DIR|-]...\n"
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
    "  --format FORMAT   text (default): the texts one after another; jsonl: one JSON\n"
    "                    object per input and line, with \"path\", \"ok\", \"code\" (the\n"
    "                    result code, 0 on success), \"error\" (the reason, or null) and\n"
    "                    \"text\" (null on failure). JSON is always UTF-8: the text is\n"
    "                    asked for in MODE and decoded from it, so characters MODE\n"
    "                    cannot hold arrive as its replacement character; MODE\n"
    "                    'default' cannot be decoded and is refused with jsonl\n"
    "  --properties      jsonl only: add \"properties\" with the document's title,\n"
    "                    subject, author and keywords, read from the filter server\n"
    "                    that the plug-in's settings or registration name (null when\n"
    "                    the server gives none)\n"
    "  --files-from LIST also extract the inputs named in the file LIST, one a line\n"
    "                    (\"-\": read the list from standard input); taken as they come,\n"
    "                    so a pipeline's first names are extracted before its last\n"
    "  -0, --null        names in LIST end with a NUL byte instead of a line break\n"
    "  -j, --jobs N      extract N documents at once, each on its own thread; the\n"
    "                    output keeps the order of the inputs\n"
    "  --out-dir DIR     write each input's text to DIR/<name without extension>.txt\n"
    "                    instead of to standard output, one after another\n"
    "  --quiet           no progress display on the terminal\n"
    "  FILE|DIR|-        documents; directories are searched recursively for files\n"
    "                    with the plug-in's extensions; \"-\" reads one document from\n"
    "                    standard input, handed over through the read callback\n"
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

// Combinations that cannot work, refused before anything is read.
int Check(const Options& o) {
  const bool jsonl = o.format == Format::kJsonLines;
  auto refuse = [](const char* why) {
    std::fprintf(stderr, "doctext: %s\n", why);
    return 2;
  };
  if (jsonl && o.codePage == -1)
    return refuse(
        "--codepage default cannot be used with --format jsonl: its pieces are in "
        "different code pages that the output cannot tell apart");
  if (jsonl && !o.outDir.empty()) return refuse("--format jsonl writes to standard output only");
  if (o.properties && !jsonl) return refuse("--properties needs --format jsonl");
  if (o.nulSeparated && o.filesFrom.empty()) return refuse("-0 needs --files-from");
  int stdinUses = o.filesFrom == "-";
  for (const std::string& input : o.inputs) stdinUses += input == "-";
  if (stdinUses > 1) return refuse("standard input can be read only once (one '-')");
  return 0;
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
    } else if (!std::strcmp(arg, "--format")) {
      const char* v = value(arg);
      if (!v) return 2;
      if (!std::strcmp(v, "text")) {
        options->format = Format::kText;
      } else if (!std::strcmp(v, "jsonl")) {
        options->format = Format::kJsonLines;
      } else {
        std::fprintf(stderr, "doctext: unknown format '%s' (text or jsonl)\n", v);
        return 2;
      }
    } else if (!std::strcmp(arg, "--properties")) {
      options->properties = true;
    } else if (!std::strcmp(arg, "--files-from")) {
      const char* v = value(arg);
      if (!v) return 2;
      options->filesFrom = v;
    } else if (!std::strcmp(arg, "-0") || !std::strcmp(arg, "--null")) {
      options->nulSeparated = true;
    } else if (!std::strcmp(arg, "-j") || !std::strcmp(arg, "--jobs")) {
      const char* v = value(arg);
      if (!v) return 2;
      char* end = nullptr;
      const long n = std::strtol(v, &end, 10);
      if (!*v || *end || n < 1 || n > 256) {
        std::fprintf(stderr, "doctext: -j needs a number from 1 to 256, not '%s'\n", v);
        return 2;
      }
      options->jobs = static_cast<unsigned>(n);
    } else {
      std::fprintf(stderr, "doctext: unknown option '%s' (see --help)\n", arg);
      return 2;
    }
  }
  if (options->inputs.empty() && options->filesFrom.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return Check(*options);
}

}  // namespace doctext
