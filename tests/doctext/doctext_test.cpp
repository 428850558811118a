// doctext run as a user runs it: a separate process, its exit status, what it
// prints and the files it writes. The plug-in is a copy of the built module in
// a folder of its own, with settings that name the built server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "json_reader.h"
#include "platform/text.h"
#include "tests/support/route_host.h"

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

  // Runs doctext; `input` names the file that becomes its standard input.
  Result Run(const std::vector<std::string>& args, const std::string& input = "",
             const std::string& program = DOCFLT_DOCTEXT_FILE) {
    const std::string out = work.Join("out" + std::to_string(++runs)), err = out + ".err";
    std::string command = Quote(fs::absolute(program).make_preferred().string());
    for (const std::string& a : args) command += " " + Quote(a);
    if (!input.empty()) command += " < " + Quote(input);
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

using doctext_test::Json;

// The records of a JSON Lines output, each checked to be one valid JSON
// object on a line of its own.
std::vector<Json> Records(const std::string& out) {
  std::vector<Json> records;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    Json record;
    std::string error;
    EXPECT_TRUE(doctext_test::ParseJson(line, &record, &error)) << error << ": " << line;
    EXPECT_EQ(record.kind, Json::kObject) << line;
    records.push_back(record);
  }
  EXPECT_TRUE(out.empty() || out.back() == '\n');
  return records;
}

std::vector<std::string> Paths(const std::vector<Json>& records) {
  std::vector<std::string> paths;
  for (const Json& r : records) paths.push_back(r["path"].string);
  return paths;
}

TEST_F(Doctext, HelpAndUsageErrors) {
  Result r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("usage: doctext", 0), 0u);
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"--plugin", plugin, "--codepage", "klingon", sample}).status, 2);
  EXPECT_EQ(Run({"--plugin", plugin, "--frobnicate", sample}).status, 2);
  // Combinations that cannot work are refused before anything is read.
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--format", "xml", sample},
           {"--format", "jsonl", "--codepage", "default", sample},
           {"--format", "jsonl", "--out-dir", work.Join("o"), sample},
           {"--properties", sample},
           {"-0", sample},
           {"-j", "0", sample},
           {"-j", "two", sample},
           {"-", "-"},
           {"--files-from", "-", "-"},
           {"--files-from", work.Join("no-such-list")}}) {
    std::vector<std::string> args = {"--plugin", plugin};
    args.insert(args.end(), bad.begin(), bad.end());
    r = Run(args, sample);
    EXPECT_EQ(r.status, 2) << bad.front() << " " << bad.back();
    EXPECT_EQ(r.out, "") << bad.front();
  }
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

#ifndef _WIN32
// Installed as bin/doctext beside lib/docflt/, and started by its own path or
// through a link from elsewhere (the link's folder holds no plug-in).
TEST_F(Doctext, FindsTheInstalledPlugInByItsOwnPathOrThroughALink) {
  fs::create_directories(work.Join("inst/bin"));
  fs::create_directories(work.Join("inst/lib"));
  fs::create_directories(work.Join("links"));
  PluginIn("inst/lib/docflt", DOCFLT_SERVER_FILE);
  const std::string installed = work.Join("inst/bin/doctext");
  ASSERT_TRUE(fs::copy_file(DOCFLT_DOCTEXT_FILE, installed));
  fs::create_symlink(installed, work.Join("links/doctext"));
  for (const std::string& program : {installed, work.Join("links/doctext")}) {
    const Result r = Run({sample}, "", program);
    EXPECT_EQ(r.status, 0) << program << ": " << r.err;
    EXPECT_NE(r.out.find("Welcome to docflt"), std::string::npos) << program;
  }
}
#endif

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

TEST_F(Doctext, JsonLinesRecordsInInputOrder) {
  // Another word processor's data (text would be read as text).
  const std::string missing = work.Join("missing.doc"), plain = work.Join("other.doc");
  routes::WriteWholeFile(plain, std::string("\xFFWPC\x10\0\0\0\x01\x0A\0\x01", 12));
  const Result r =
      Run({"--plugin", plugin, "--format", "jsonl", "--properties", missing, sample, plain});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(CountLines(r.err, "3 documents, 1 extracted, 2 failed"), 1) << r.err;
  const std::vector<Json> records = Records(r.out);
  ASSERT_EQ(records.size(), 3u) << r.out;
  EXPECT_EQ(Paths(records), (std::vector<std::string>{missing, sample, plain}));
  for (const Json& rec : records) EXPECT_EQ(rec.order, "path,ok,code,error,text,properties");

  const Json& gone = records[0];
  EXPECT_FALSE(gone["ok"].boolean);
  EXPECT_EQ(gone["code"].number, 1003);  // never reached the plug-in
  EXPECT_EQ(gone["error"].kind, Json::kString);
  EXPECT_FALSE(gone["error"].string.empty());
  EXPECT_EQ(gone["text"].kind, Json::kNull);
  EXPECT_EQ(gone["properties"].kind, Json::kNull);

  const Json& good = records[1];
  EXPECT_EQ(good["ok"].kind, Json::kBool);
  EXPECT_TRUE(good["ok"].boolean);
  EXPECT_EQ(good["code"].number, 0);
  EXPECT_EQ(good["error"].kind, Json::kNull);
  EXPECT_EQ(good["text"].string, Text({}));  // tabs, line breaks and UTF-8 come back exactly
  ASSERT_EQ(good["properties"].kind, Json::kObject);
  EXPECT_EQ(good["properties"]["title"].string, "Welcome to docflt");

  const Json& bad = records[2];
  EXPECT_FALSE(bad["ok"].boolean);
  EXPECT_EQ(bad["code"].number, 1);
  EXPECT_EQ(bad["error"].string, "not a Word document the filter understands");
  EXPECT_EQ(bad["text"].kind, Json::kNull);

  // Without --properties the member is left out.
  const std::vector<Json> plainRun =
      Records(Run({"--plugin", plugin, "--format", "jsonl", sample}).out);
  ASSERT_EQ(plainRun.size(), 1u);
  EXPECT_FALSE(plainRun[0].Has("properties"));
}

TEST_F(Doctext, JsonIsUtf8WhateverTheCodePage) {
  const std::string utf8 = Text({});
  auto jsonText = [&](const std::string& codePage) {
    const Result r = Run({"--plugin", plugin, "--format", "jsonl", "--codepage", codePage, sample});
    EXPECT_EQ(r.status, 0) << codePage << ": " << r.err;
    const std::vector<Json> records = Records(r.out);
    return records.size() == 1 ? records[0]["text"].string : std::string("(no record)");
  };
  EXPECT_EQ(jsonText("unicode"), utf8);
  EXPECT_EQ(jsonText("utf8"), utf8);
  // Decoded from Cyrillic Windows: its own letters come back; the Greek it
  // cannot hold became its default character on the way.
  const std::string cyrillic = jsonText("1251");
  EXPECT_EQ(cyrillic.rfind("Welcome to docflt\n", 0), 0u);
  EXPECT_NE(cyrillic.find(u8"добрый день"), std::string::npos) << cyrillic;
  EXPECT_EQ(cyrillic.find(u8"καλημέρα"), std::string::npos);
  EXPECT_EQ(jsonText("ansi"), jsonText(std::to_string(GetACP())));

#ifndef _WIN32
  // Names that need escaping, and a name that is not UTF-8 at all.
  const std::string odd = work.Join("quote\"back\\slash\ttab.doc");
  const std::string latin1 = work.Join("caf\xE9.doc");
  fs::copy_file(sample, odd);
  fs::copy_file(sample, latin1);
  const Result r = Run({"--plugin", plugin, "--format", "jsonl", odd, latin1});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<Json> records = Records(r.out);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["path"].string, odd);
  EXPECT_EQ(records[1]["path"].string, work.Join(u8"caf\uFFFD.doc"));
  EXPECT_EQ(records[1]["text"].string, utf8);
#endif
}

TEST_F(Doctext, ListsOfInputsAndStandardInput) {
  const std::string missing = work.Join("missing.doc"), copy = work.Join("copy.doc");
  fs::copy_file(sample, copy);
  auto paths = [&](const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> all = {"--plugin", plugin, "--format", "jsonl"};
    all.insert(all.end(), args.begin(), args.end());
    return Paths(Records(Run(all, input).out));
  };
  // Line breaks of either kind; empty lines name nothing; the last name
  // needs no line break; command-line inputs come first.
  const std::string lines = work.Join("list.txt");
  routes::WriteWholeFile(lines, copy + "\r\n\n" + missing + "\n" + sample);
  EXPECT_EQ(paths({"--files-from", lines, copy}),
            (std::vector<std::string>{copy, copy, missing, sample}));
  EXPECT_EQ(paths({"--files-from", "-"}, lines), (std::vector<std::string>{copy, missing, sample}));
  // NUL-separated names may hold line breaks.
  const std::string nuls = work.Join("list.nul");
  routes::WriteWholeFile(nuls, sample + std::string(1, '\0') + missing + std::string(1, '\0'));
  EXPECT_EQ(paths({"--files-from", nuls, "-0"}), (std::vector<std::string>{sample, missing}));
  // A directory in a list is searched like one on the command line.
  const std::string dir = work.Join("dir");
  routes::MakeDirectory(dir);
  fs::copy_file(sample, dir + "/inner.doc");
  const std::string dirs = work.Join("dirs.txt");
  routes::WriteWholeFile(dirs, dir + "\n");
  EXPECT_EQ(paths({"--files-from", dirs}),
            (std::vector<std::string>{(fs::path(dir) / "inner.doc").string()}));

  // One document from standard input, handed over through the read callback.
  Result r = Run({"--plugin", plugin, "-"}, sample);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Text({}));
  r = Run({"--plugin", plugin, "--format", "jsonl", "--properties", sample, "-"}, sample);
  const std::vector<Json> records = Records(r.out);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1]["path"].string, "-");
  EXPECT_EQ(records[1]["text"].string, records[0]["text"].string);
  EXPECT_EQ(records[1]["properties"]["title"].string, "Welcome to docflt");
  // Whatever comes in on standard input is judged by its content.
  const std::string plain = work.Join("other.bin");
  routes::WriteWholeFile(plain, std::string("\xFFWPC\x10\0\0\0\x01\x0A\0\x01", 12));
  r = Run({"--plugin", plugin, "-"}, plain);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(CountLines(r.err, "-: not a Word document"), 1) << r.err;
}

TEST_F(Doctext, ParallelRunsKeepInputOrder) {
  // Distinct texts when the corpus is there, else copies of the sample;
  // missing files in between fail at once while their neighbours take time.
  std::vector<std::string> inputs;
  const fs::path docs = fs::path(DOCFLT_SHARED_DIR) / "corpus" / "docs";
  std::error_code ec;
  if (fs::is_directory(docs, ec)) {
    for (const auto& e : fs::directory_iterator(docs))
      if (e.path().extension() == ".doc" && inputs.size() < 60) inputs.push_back(e.path().string());
    std::sort(inputs.begin(), inputs.end());
  } else {
    for (int i = 0; i < 12; ++i) {
      inputs.push_back(work.Join("copy" + std::to_string(i) + ".doc"));
      fs::copy_file(sample, inputs.back());
    }
  }
  for (size_t i = 3; i < inputs.size(); i += 7)
    inputs.insert(inputs.begin() + i, work.Join("gone.doc"));
  const std::string list = work.Join("list.txt");
  std::string names;
  for (const std::string& in : inputs) names += in + "\n";
  routes::WriteWholeFile(list, names);

  for (const char* format : {"text", "jsonl"}) {
    const Result one =
        Run({"--plugin", plugin, "--quiet", "--format", format, "--files-from", list});
    const Result three =
        Run({"--plugin", plugin, "--quiet", "--format", format, "--files-from", list, "-j", "3"});
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(three.status, 1);
    EXPECT_GT(one.out.size(), 1000u);
    EXPECT_TRUE(one.out == three.out) << format;  // byte for byte, in input order
    EXPECT_EQ(one.err, three.err);                // the failures too, in order
    if (std::string(format) == "jsonl") {
      EXPECT_EQ(Paths(Records(three.out)), inputs);
    }
  }
  // Into a folder: the same files with the same texts.
  const std::string a = work.Join("a"), b = work.Join("b");
  EXPECT_EQ(Run({"--plugin", plugin, "--quiet", "--out-dir", a, "--files-from", list}).status, 1);
  EXPECT_EQ(
      Run({"--plugin", plugin, "--quiet", "--out-dir", b, "--files-from", list, "-j", "2"}).status,
      1);
  const std::vector<std::string> files = routes::ListDirectory(a);
  EXPECT_EQ(routes::ListDirectory(b), files);
  EXPECT_FALSE(files.empty());
  for (const std::string& f : files) EXPECT_EQ(FileText(b + "/" + f), FileText(a + "/" + f)) << f;
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
