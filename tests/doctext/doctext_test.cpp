// doctext run as a user runs it: a separate process, its exit status, what it
// prints and the files it writes. The plug-in is a copy of the built module in
// a folder of its own, with settings that name the built server.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "route_host.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

// The tests' arguments hold no quotes.
std::string Quote(const std::string& arg) {
#ifdef _WIN32
  return "\"" + arg + "\"";
#else
  return "'" + arg + "'";
#endif
}

std::string FileText(const std::string& path) {
  std::string bytes;
  routes::ReadWholeFile(path, &bytes);
  return bytes;
}

int CountLines(const std::string& text, const std::string& containing) {
  std::istringstream in(text);
  int n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(containing) != std::string::npos;
  return n;
}

class Doctext : public testing::Test {
 protected:
  routes::TempDir work, tmp;
  std::string plugin, sample;
  int runs = 0;

  void SetUp() override {
    ASSERT_FALSE(work.path().empty() || tmp.path().empty());
    plugin = PluginIn("plugin", DOCFLT_SERVER_FILE);
    sample = work.Join("welcome.doc");
    ASSERT_TRUE(fs::copy_file(DOCFLT_SOURCE_DIR "/samples/welcome.doc", sample));
  }
  void TearDown() override { EXPECT_TRUE(tmp.Entries().empty()); }

  // A copy of the plug-in in work/<folder>, its settings naming `server`.
  std::string PluginIn(const std::string& folder, const std::string& server) {
    routes::MakeDirectory(work.Join(folder));
    const fs::path copy = fs::path(work.Join(folder)) / fs::path(DOCFLT_PLUGIN_FILE).filename();
    fs::copy_file(DOCFLT_PLUGIN_FILE, copy);
    routes::WriteWholeFile(
        fs::path(copy).replace_extension(".ini").string(),
        "[SETTINGS]\r\nTMPDIR=" + tmp.path() + "\r\nSERVERFILENAME=" + server + "\r\n");
    return copy.string();
  }

  Result Run(const std::vector<std::string>& args) {
    const std::string out = work.Join("out" + std::to_string(++runs)), err = out + ".err";
    std::string command = Quote(fs::absolute(DOCFLT_DOCTEXT_FILE).make_preferred().string());
    for (const std::string& a : args) command += " " + Quote(a);
    command += " > " + Quote(out) + " 2> " + Quote(err);
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c drops the outermost pair of quotes
#endif
    const int status = std::system(command.c_str());
    Result r;
#ifdef _WIN32
    r.status = status;
#else
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    r.out = FileText(out);
    r.err = FileText(err);
    return r;
  }
  // The sample's text with these options, which must succeed.
  std::string Text(std::vector<std::string> args) {
    args.insert(args.begin(), {"--plugin", plugin});
    args.push_back(sample);
    const Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }
};

TEST_F(Doctext, HelpAndUsageErrors) {
  Result r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: doctext", 0), 0u);
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"--plugin", plugin, "--codepage", "klingon", sample}).status, 2);
  EXPECT_EQ(Run({"--plugin", plugin, "--frobnicate", sample}).status, 2);
  const std::string missing = work.Join("nowhere.flt");
  r = Run({"--plugin", missing, sample});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(CountLines(r.err, missing), 1) << r.err;

  // A plug-in that finds no server (refused by Windows' loader, inert on
  // POSIX) is as good as none.
  const std::string inert = PluginIn("inert", work.Join("no-such-server"));
  r = Run({"--plugin", inert, sample});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(CountLines(r.err, inert), 1) << r.err;
}

TEST_F(Doctext, CodePageModesAndStreaming) {
  const std::string utf8 = Text({});
  EXPECT_EQ(utf8.rfind("Welcome to docflt\n", 0), 0u);
  EXPECT_NE(utf8.find(u8"Grüße aus Köln, добрый день, καλημέρα."), std::string::npos) << utf8;
  EXPECT_EQ(Text({"--codepage", "utf8"}), utf8);
  EXPECT_EQ(Text({"--stream"}), utf8);

  const std::string utf16le = Text({"--codepage", "unicode"});
  std::u16string wide(utf8.size(), u'\0'), got(utf16le.size() / 2, u'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()),
                                  reinterpret_cast<WCHAR*>(&wide[0]), int(wide.size())));
  std::memcpy(&got[0], utf16le.data(), got.size() * 2);  // every target is little-endian
  EXPECT_EQ(got, wide);
  EXPECT_EQ(utf16le.size() % 2, 0u);

  EXPECT_NE(Text({"--codepage", "1251"}).find("\xE4\xEE\xE1\xF0\xFB\xE9 \xE4\xE5\xED\xFC"),
            std::string::npos);
  EXPECT_EQ(Text({"--codepage", "ansi", "--stream"}),
            Text({"--codepage", std::to_string(GetACP())}));
  // Each piece in its language's code page: the English heading stays as it is.
  EXPECT_EQ(Text({"--codepage", "default"}).rfind("Welcome to docflt\n", 0), 0u);
}

TEST_F(Doctext, FailuresAreReportedPerFile) {
  // Data of another word processor (text would be read as text).
  const std::string missing = work.Join("missing.doc"), plain = work.Join("other.doc");
  routes::WriteWholeFile(plain, std::string("\xFFWPC\x10\0\0\0\x01\x0A\0\x01", 12));
  const std::string out = work.Join("texts");
  const Result r = Run({"--plugin", plugin, "--quiet", "--out-dir", out, sample, missing, plain});
  EXPECT_EQ(r.status, 1);
  // One line per failed file, with its name and the reason.
  EXPECT_EQ(CountLines(r.err, missing + ": "), 1) << r.err;
  EXPECT_EQ(CountLines(r.err, plain + ": not a Word document"), 1) << r.err;
  EXPECT_EQ(CountLines(r.err, "3 documents, 1 extracted, 2 failed"), 1) << r.err;
  // No output is left for a failed document.
  EXPECT_EQ(routes::ListDirectory(out), std::vector<std::string>{"welcome.txt"});
  EXPECT_EQ(FileText(out + "/welcome.txt"), Text({}));
#ifndef _WIN32
  // A device named as a file is no document.
  const Result device = Run({"--plugin", plugin, "--quiet", "/dev/null"});
  EXPECT_EQ(device.status, 1);
  EXPECT_EQ(CountLines(device.err, "/dev/null: not a regular file"), 1) << device.err;
#endif
}

TEST_F(Doctext, DirectoriesAndOutputNames) {
  const std::string in = work.Join("in");
  for (const char* d : {"", "/a", "/b", "/b/sub"}) routes::MakeDirectory(in + d);
  for (const char* name : {"/a/welcome.doc", "/b/Welcome.DOT", "/b/sub/welcome.doc"})
    fs::copy_file(sample, in + name);
  // Not of the plug-in's extensions: left alone (they would fail).
  routes::WriteWholeFile(in + "/notes.txt", "notes");
  routes::WriteWholeFile(in + "/a/report.docx", "not this one");
  const std::string out = work.Join("texts");
  const Result r = Run({"--plugin", plugin, "--quiet", "--out-dir", out, in});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(CountLines(r.err, "3 documents, 3 extracted, 0 failed"), 1) << r.err;
  // Same names from different folders, and names that differ only in case,
  // are numbered rather than overwritten.
  const std::vector<std::string> expected = {"Welcome-2.txt", "welcome-3.txt", "welcome.txt"};
  ASSERT_EQ(routes::ListDirectory(out), expected);
  const std::string text = Text({});
  for (const std::string& name : expected) EXPECT_EQ(FileText(out + "/" + name), text) << name;
}

TEST_F(Doctext, CorpusInOneRun) {
  const fs::path docs = fs::path(DOCFLT_SHARED_DIR) / "corpus" / "docs";
  std::error_code ec;
  if (!fs::is_directory(docs, ec)) GTEST_SKIP() << "no shared corpus";
  int documents = 0;
  for (const auto& e : fs::recursive_directory_iterator(docs)) {
    const std::string ext = e.path().extension().string();
    documents += ext == ".doc" || ext == ".dot" || ext == ".DOC" || ext == ".DOT";
  }
  const std::string out = work.Join("texts");
  const Result r = Run({"--plugin", plugin, "--quiet", "--out-dir", out, docs.string()});
  int total = -1, extracted = -1, failed = -1;
  const char* summary = r.err.c_str() + r.err.rfind("doctext: ");
  ASSERT_EQ(std::sscanf(summary, "doctext: %d documents, %d extracted, %d failed", &total,
                        &extracted, &failed),
            3)
      << r.err;
  EXPECT_EQ(total, documents);
  EXPECT_EQ(extracted + failed, total);
  EXPECT_EQ(r.status, failed ? 1 : 0);
  EXPECT_GE(extracted, 140);
  EXPECT_EQ(int(routes::ListDirectory(out).size()), extracted);
  EXPECT_EQ(CountLines(r.err, "(result "), failed) << r.err;
}

}  // namespace
