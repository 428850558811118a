// Windows-only: asks the system's own code-page services for the answers that the POSIX
// implementation must reproduce, and writes them as text files into the folder named by
// argv[1] (tests/data/codepages). Run under Wine:
//   WINEDEBUG=-all /usr/lib/wine/wine64 make_codepage_vectors.exe <dir>
// The formats are described at the top of each file and read by codepage_vectors_test.cpp.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const UINT kTablePages[] = {874,   1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,
                            1258,  932,   936,   949,   950,   437,   850,   866,   65001,
                            852,   10000, 20127, 20866, 21866, 28591, 28592, 28593, 28594,
                            28595, 28596, 28597, 28598, 28599, 28603, 28605};

using Bytes = std::vector<unsigned char>;
using Units = std::vector<WCHAR>;

std::string Hex(const unsigned char* p, size_t n) {
  static const char d[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += d[p[i] >> 4];
    s += d[p[i] & 15];
  }
  return s;
}
std::string Hex(const Bytes& b) { return b.empty() ? "-" : Hex(b.data(), b.size()); }
std::string Hex(const Units& u) {
  if (u.empty()) return "-";
  char buf[8];
  std::string s;
  for (WCHAR c : u) {
    std::snprintf(buf, sizeof buf, "%04x", static_cast<unsigned>(c));
    s += buf;
  }
  return s;
}

class File {
 public:
  File(const std::string& dir, const char* name)
      : f_(std::fopen((dir + "/" + name).c_str(), "wb")) {
    if (!f_) {
      std::fprintf(stderr, "cannot write %s/%s\n", dir.c_str(), name);
      std::exit(1);
    }
  }
  ~File() { std::fclose(f_); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  void Line(const std::string& s) { std::fprintf(f_, "%s\n", s.c_str()); }

 private:
  FILE* f_;
};

// Collects "key count value" runs over successive keys (big-endian numbers): either each
// value is the previous one plus one (numbers of the same width), or all values are the
// same ("count=" marks those; a token such as '*' or '!N' only ever repeats).
class RunWriter {
 public:
  explicit RunWriter(File& out) : out_(out) {}
  ~RunWriter() { Flush(); }
  RunWriter(const RunWriter&) = delete;
  RunWriter& operator=(const RunWriter&) = delete;

  void Add(const std::string& key, const std::string& value) {
    if (count_ && Follows(key, key_, count_)) {
      const bool same = value == value_;
      const bool next = IsNumber(value_) && IsNumber(value) && Follows(value, value_, count_);
      if (count_ == 1 && (same || next)) constant_ = same;
      if ((constant_ && same) || (!constant_ && next)) {
        ++count_;
        return;
      }
    }
    Flush();
    key_ = key;
    value_ = value;
    count_ = 1;
    constant_ = false;
  }
  void Flush() {
    if (count_) {
      const bool mark = constant_ && count_ > 1 && IsNumber(value_);
      out_.Line(key_ + " " + std::to_string(count_) + (mark ? "= " : " ") + value_);
    }
    count_ = 0;
  }

 private:
  static bool IsNumber(const std::string& s) {
    if (s.empty() || s.size() > 8 || s.size() % 2) return false;
    for (char c : s)
      if (!isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
  }
  static bool Follows(const std::string& next, const std::string& first, uint64_t steps) {
    return next.size() == first.size() &&
           std::stoull(next, nullptr, 16) == std::stoull(first, nullptr, 16) + steps;
  }

  File& out_;
  std::string key_, value_;
  uint64_t count_ = 0;
  bool constant_ = false;
};

std::string Key16(unsigned v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04x", v);
  return b;
}

struct WideResult {
  int ret;
  DWORD err;
  Bytes out;
  BOOL used;
};

WideResult ToMulti(UINT cp, DWORD flags, const WCHAR* in, int len, int cap, const char* def,
                   bool want_used, bool null_out = false) {
  WideResult r{};
  std::vector<char> buf(cap > 0 ? cap : 1, static_cast<char>(0xCC));
  r.used = 7;
  SetLastError(0);
  r.ret = WideCharToMultiByte(cp, flags, in, len, null_out ? nullptr : buf.data(), cap, def,
                              want_used ? &r.used : nullptr);
  r.err = GetLastError();
  if (!null_out && cap > 0) r.out.assign(buf.begin(), buf.end());
  return r;
}

struct MultiResult {
  int ret;
  DWORD err;
  Units out;
};

MultiResult ToWide(UINT cp, DWORD flags, const char* in, int len, int cap, bool null_out = false) {
  MultiResult r{};
  std::vector<WCHAR> buf(cap > 0 ? cap : 1, static_cast<WCHAR>(0xCCCC));
  SetLastError(0);
  r.ret = MultiByteToWideChar(cp, flags, in, len, null_out ? nullptr : buf.data(), cap);
  r.err = GetLastError();
  if (!null_out && cap > 0) r.out.assign(buf.begin(), buf.end());
  return r;
}

std::string ResultValue(const WideResult& r) {
  return r.ret > 0 ? Hex(r.out.data(), static_cast<size_t>(r.ret)) : "!" + std::to_string(r.err);
}

// wc2mb_<cp>.txt: every BMP code point converted alone, with flags 0 and (listing only
// the code points whose answer differs) WC_NO_BEST_FIT_CHARS.
void WriteWideTable(const std::string& dir, UINT cp) {
  const std::string name = "wc2mb_" + std::to_string(cp) + ".txt";
  File f(dir, name.c_str());
  f.Line("# WideCharToMultiByte(" + std::to_string(cp) +
         ") of each BMP code point alone. Line: first code point, count, bytes of the first;");
  f.Line("# the rest of a run follow one by one (bytes read as a big-endian number), or repeat");
  f.Line("# when the count ends in '='. '*bytes': the default character came out and the used");
  f.Line("# flag was set. '!N': failed with error N. [flags 400] lists only what differs from");
  f.Line("# [flags 0].");
  std::vector<std::string> first(0x10000);
  for (DWORD flags : {DWORD{0}, DWORD{WC_NO_BEST_FIT_CHARS}}) {
    if (cp == CP_UTF8 && flags) continue;
    char head[32];
    std::snprintf(head, sizeof head, "[flags %x]", static_cast<unsigned>(flags));
    f.Line(head);
    RunWriter runs(f);
    for (unsigned c = 0; c < 0x10000; ++c) {
      const WCHAR w = static_cast<WCHAR>(c);
      const WideResult plain = ToMulti(cp, flags, &w, 1, 8, nullptr, false);
      std::string value = ResultValue(plain);
      if (cp != CP_UTF8) {
        const WideResult checked = ToMulti(cp, flags, &w, 1, 8, nullptr, true);
        if (ResultValue(checked) != value)
          std::fprintf(stderr, "cp %u U+%04x: output depends on the used pointer\n", cp, c);
        if (checked.used) value = "*" + value;
      }
      if (!flags) {
        first[c] = value;
      } else if (value == first[c]) {
        runs.Flush();
        continue;
      }
      runs.Add(Key16(c), value);
    }
  }
}

bool IsLead(UINT cp, unsigned char b) { return IsDBCSLeadByteEx(cp, b) != FALSE; }

// mb2wc_<cp>.txt: every single byte, and every lead byte with every trail byte; with flags 0
// and (listing only what differs) MB_ERR_INVALID_CHARS.
void WriteMultiTable(const std::string& dir, UINT cp) {
  const std::string name = "mb2wc_" + std::to_string(cp) + ".txt";
  File f(dir, name.c_str());
  f.Line("# MultiByteToWideChar(" + std::to_string(cp) +
         ") of each byte alone and each lead byte + trail byte.");
  f.Line("# Line: first input (hex), count, UTF-16 of the first; the rest of a run follow one by");
  f.Line("# one (both read as big-endian numbers), or repeat when the count ends in '='.");
  f.Line("# '!N': failed with error N. [flags 8] lists only what differs from [flags 0].");
  std::vector<Bytes> inputs;
  for (unsigned b = 0; b < 256; ++b) inputs.push_back(Bytes{static_cast<unsigned char>(b)});
  for (unsigned lead = 0x80; lead < 256; ++lead) {
    const bool pairs = cp == CP_UTF8 ? lead >= 0xC0 : IsLead(cp, static_cast<unsigned char>(lead));
    if (!pairs) continue;
    for (unsigned t = 0; t < 256; ++t)
      inputs.push_back(Bytes{static_cast<unsigned char>(lead), static_cast<unsigned char>(t)});
  }
  std::vector<std::string> first(inputs.size());
  for (DWORD flags : {DWORD{0}, DWORD{MB_ERR_INVALID_CHARS}}) {
    char head[32];
    std::snprintf(head, sizeof head, "[flags %x]", static_cast<unsigned>(flags));
    f.Line(head);
    RunWriter runs(f);
    for (size_t i = 0; i < inputs.size(); ++i) {
      const Bytes& in = inputs[i];
      const MultiResult r = ToWide(cp, flags, reinterpret_cast<const char*>(in.data()),
                                   static_cast<int>(in.size()), 8);
      const std::string value = r.ret > 0 ? Hex(Units(r.out.begin(), r.out.begin() + r.ret))
                                          : "!" + std::to_string(r.err);
      if (!flags) {
        first[i] = value;
      } else if (value == first[i]) {
        runs.Flush();
        continue;
      }
      if (i > 0 && inputs[i - 1].size() != in.size()) runs.Flush();
      runs.Add(Hex(in), value);
    }
  }
}

// Random strings converted whole: context effects (DBCS pairs, surrogate pairs, broken
// UTF-8 sequences) that single-character tables cannot show.
class StringSampler {
 public:
  explicit StringSampler(UINT cp) : cp_(cp), rng_(cp * 7919u + 17u) {}

  Units Wide() {
    static const unsigned kPool[][2] = {
        {0x0000, 0x007F}, {0x0080, 0x024F}, {0x0370, 0x03FF}, {0x0400, 0x04FF},
        {0x0590, 0x05FF}, {0x0600, 0x06FF}, {0x0E00, 0x0E7F}, {0x1EA0, 0x1EFF},
        {0x2000, 0x27FF}, {0x3000, 0x30FF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3},
        {0xD800, 0xDBFF}, {0xDC00, 0xDFFF}, {0xE000, 0xF8FF}, {0xF900, 0xFFFF}};
    Units u(Pick(1, 10));
    for (auto& c : u) {
      const auto& r = kPool[Pick(0, 15)];
      c = static_cast<WCHAR>(Pick(r[0], r[1]));
    }
    return u;
  }

  Bytes Multi() {
    Bytes b;
    const unsigned n = Pick(1, 10);
    while (b.size() < n) {
      const unsigned kind = Pick(0, 9);
      if (cp_ == CP_UTF8 && kind < 6) {
        AppendUtf8Piece(b);
      } else if (kind < 3) {
        b.push_back(static_cast<unsigned char>(Pick(0x20, 0x7F)));
      } else if (kind < 5) {
        b.push_back(0);
      } else {
        b.push_back(static_cast<unsigned char>(Pick(0x80, 0xFF)));
      }
    }
    return b;
  }

 private:
  unsigned Pick(unsigned lo, unsigned hi) {
    return std::uniform_int_distribution<unsigned>(lo, hi)(rng_);
  }

  // Well-formed, overlong, surrogate, out-of-range and cut-short sequences.
  void AppendUtf8Piece(Bytes& b) {
    static const uint32_t kPoints[] = {0x7F,    0x80,     0x7FF,    0x800,   0xD7FF,
                                       0xD800,  0xDFFF,   0xE000,   0xFFFD,  0xFFFF,
                                       0x10000, 0x10FFFF, 0x110000, 0x1FFFFF};
    uint32_t cp = Pick(0, 3) ? kPoints[Pick(0, 13)] : Pick(0, 0x10FFFF);
    unsigned len = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    if (Pick(0, 5) == 0 && len < 4) ++len;  // overlong
    unsigned char seq[4];
    if (len == 1) {
      seq[0] = static_cast<unsigned char>(cp);
    } else {
      for (unsigned i = len - 1; i > 0; --i) {
        seq[i] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        cp >>= 6;
      }
      seq[0] = static_cast<unsigned char>((0xFF00u >> len) | cp);
    }
    unsigned keep = len;
    if (len > 1 && Pick(0, 4) == 0) keep = Pick(1, len - 1);  // cut short
    b.insert(b.end(), seq, seq + keep);
  }

  UINT cp_;
  std::mt19937 rng_;
};

void WriteStrings(const std::string& dir) {
  File f(dir, "strings.txt");
  f.Line("# Whole-string conversions, capacity 64, no default character.");
  f.Line(
      "# W cp flags utf16-in -> ret error bytes-out | M cp flags bytes-in -> ret error utf16-out");
  for (UINT cp : kTablePages) {
    StringSampler s(cp);
    const bool wide_heavy = cp == CP_UTF8 || cp == 932 || cp == 936 || cp == 949 || cp == 950;
    const int count = wide_heavy ? 200 : 50;
    char head[64];
    for (int i = 0; i < count; ++i) {
      const Units in = s.Wide();
      for (DWORD flags : {DWORD{0}, DWORD{WC_NO_BEST_FIT_CHARS}}) {
        if (cp == CP_UTF8 && flags) continue;
        const WideResult r =
            ToMulti(cp, flags, in.data(), static_cast<int>(in.size()), 64, nullptr, false);
        std::snprintf(head, sizeof head, "W %u %x ", cp, static_cast<unsigned>(flags));
        f.Line(head + Hex(in) + " -> " + std::to_string(r.ret) + " " + std::to_string(r.err) + " " +
               Hex(Bytes(r.out.begin(), r.out.begin() + (r.ret > 0 ? r.ret : 0))));
      }
    }
    for (int i = 0; i < count * 2; ++i) {
      const Bytes in = s.Multi();
      for (DWORD flags : {DWORD{0}, DWORD{MB_ERR_INVALID_CHARS}}) {
        const MultiResult r = ToWide(cp, flags, reinterpret_cast<const char*>(in.data()),
                                     static_cast<int>(in.size()), 64);
        std::snprintf(head, sizeof head, "M %u %x ", cp, static_cast<unsigned>(flags));
        f.Line(head + Hex(in) + " -> " + std::to_string(r.ret) + " " + std::to_string(r.err) + " " +
               Hex(Units(r.out.begin(), r.out.begin() + (r.ret > 0 ? r.ret : 0))));
      }
    }
  }
}

Units W(std::initializer_list<unsigned> v) {
  Units u;
  for (unsigned c : v) u.push_back(static_cast<WCHAR>(c));
  return u;
}
Bytes B(std::initializer_list<unsigned> v) {
  Bytes b;
  for (unsigned c : v) b.push_back(static_cast<unsigned char>(c));
  return b;
}

// api.txt: argument edges, recorded with the whole output buffer so that partial writes
// are compared too.
class ApiWriter {
 public:
  explicit ApiWriter(File& f) : f_(f) {}

  // def: nullptr for none. in_null: pass a null source. out_null: pass a null buffer.
  void Wide(UINT cp, DWORD flags, const Units& in, int len, int cap, const Bytes* def,
            bool want_used, bool in_null = false, bool out_null = false) {
    std::string defz;
    if (def) defz.assign(def->begin(), def->end());
    const WideResult r = ToMulti(cp, flags, in_null ? nullptr : in.data(), len, cap,
                                 def ? defz.c_str() : nullptr, want_used, out_null);
    char head[96];
    std::snprintf(head, sizeof head, "W %u %x %s %d %d %s %d %d ", cp, static_cast<unsigned>(flags),
                  in_null ? "null" : Hex(in).c_str(), len, cap, def ? Hex(*def).c_str() : "none",
                  want_used ? 1 : 0, out_null ? 1 : 0);
    f_.Line(head + std::string("-> ") + std::to_string(r.ret) + " " + std::to_string(r.err) + " " +
            Hex(r.out) + " " + std::to_string(want_used ? r.used : 7));
  }
  void Multi(UINT cp, DWORD flags, const Bytes& in, int len, int cap, bool in_null = false,
             bool out_null = false) {
    const MultiResult r =
        ToWide(cp, flags, in_null ? nullptr : reinterpret_cast<const char*>(in.data()), len, cap,
               out_null);
    char head[96];
    std::snprintf(head, sizeof head, "M %u %x %s %d %d %d ", cp, static_cast<unsigned>(flags),
                  in_null ? "null" : Hex(in).c_str(), len, cap, out_null ? 1 : 0);
    f_.Line(head + std::string("-> ") + std::to_string(r.ret) + " " + std::to_string(r.err) + " " +
            Hex(r.out));
  }
  void Locale(LCID lcid, LCTYPE type, int cap, bool out_null = false) {
    std::vector<char> buf(cap > 0 ? cap : 1, static_cast<char>(0xCC));
    SetLastError(0);
    const int ret = GetLocaleInfoA(lcid, type, out_null ? nullptr : buf.data(), cap);
    const DWORD err = GetLastError();
    char line[160];
    std::snprintf(line, sizeof line, "L %lx %lx %d %d -> %d %lu ", static_cast<unsigned long>(lcid),
                  static_cast<unsigned long>(type), cap, out_null ? 1 : 0, ret,
                  static_cast<unsigned long>(err));
    f_.Line(line + (cap > 0 && !out_null
                        ? Hex(reinterpret_cast<unsigned char*>(buf.data()), buf.size())
                        : std::string("-")));
  }

 private:
  File& f_;
};

void WriteApiCases(const std::string& dir) {
  File f(dir, "api.txt");
  f.Line("# Argument edges. Buffers start filled with cc bytes (cccc units); the whole buffer");
  f.Line("# is recorded after the call.");
  f.Line("# W cp flags in len cap default used? out-null? -> ret error buffer used");
  f.Line("# M cp flags in len cap out-null? -> ret error buffer");
  f.Line("# L lcid type cap out-null? -> ret error buffer");
  ApiWriter a(f);

  // A representative of each kind: Western, Cyrillic, OEM, Thai, two DBCS pages, UTF-8.
  // The text mixes ASCII, a mapped letter, a best-fit letter, an unmappable symbol and a
  // CJK ideograph.
  const Units text = W({'A', 'b', 0x00E9, 0x0100, 0x0416, 0x2603, 0x4E00, 0x3042, 'z'});
  const Units text_nul = W({'A', 0x00E9, 0x4E00, 0, 'X', 'Y'});
  const Bytes hash = B({'#'});
  const Bytes two = B({0x81, 0x40});
  const Bytes empty_def = B({});
  const Bytes ab = B({'a', 'b'});
  for (UINT cp : {1252u, 1251u, 437u, 874u, 932u, 936u, 949u, 950u, 65001u}) {
    const int n = static_cast<int>(text.size());
    for (int cap : {0, 1, 2, 3, 5, 8, 9, 10, 11, 12, 13, 14, 16, 20, 32})
      a.Wide(cp, 0, text, n, cap, nullptr, false);
    for (int cap : {0, 3, 4, 6, 7, 8, 16}) a.Wide(cp, 0, text_nul, -1, cap, nullptr, false);
    a.Wide(cp, 0, text_nul, 6, 16, nullptr, false);
    a.Wide(cp, 0, text, 0, 16, nullptr, false);
    a.Wide(cp, 0, text_nul, -2, 16, nullptr, false);
    a.Wide(cp, 0, text, n, 16, nullptr, false, true);
    a.Wide(cp, 0, text, n, 16, nullptr, false, false, true);
    a.Wide(cp, 0, text, n, -1, nullptr, false);
    a.Wide(cp, 0, text, n, 0, nullptr, false, false, true);
    for (DWORD flags : {0u, 0x400u}) {
      for (int cap : {0, 4, 16}) {
        a.Wide(cp, flags, text, n, cap, nullptr, true);
        a.Wide(cp, flags, text, n, cap, &hash, false);
        a.Wide(cp, flags, text, n, cap, &hash, true);
        a.Wide(cp, flags, text, n, cap, &two, true);
        a.Wide(cp, flags, text, n, cap, &ab, true);
        // An empty default on a DBCS page makes the system read past its terminator.
        if (cp == 1252 || cp == 1251 || cp == 437 || cp == 874)
          a.Wide(cp, flags, text, n, cap, &empty_def, true);
      }
      a.Wide(cp, flags, W({'a', 'b', 'c'}), 3, 16, nullptr, true);
      a.Wide(cp, flags, W({'?', 0xFFFF, 0x00C6}), 3, 16, nullptr, true);
    }
    for (DWORD flags : {0x1u, 0x2u, 0x10u, 0x20u, 0x40u, 0x80u, 0x200u, 0x220u, 0x1000u})
      a.Wide(cp, flags, text, n, 32, nullptr, false);
    // Surrogates: a pair, lone halves, reversed, one at the very end.
    for (const Units& s :
         {W({0xD83D, 0xDE00}), W({'a', 0xD800, 'b'}), W({'a', 0xDC00, 'b'}), W({0xDC00, 0xD800}),
          W({'x', 0xDBFF}), W({0xDBFF, 0xDFFF, 0xD800}), W({0xD800, 0xD800, 0xDC00})}) {
      a.Wide(cp, 0, s, static_cast<int>(s.size()), 16, nullptr, false);
      a.Wide(cp, 0, s, static_cast<int>(s.size()), 0, nullptr, false);
      a.Wide(cp, 0x80, s, static_cast<int>(s.size()), 16, nullptr, false);
      for (int cap : {1, 2, 3, 4, 5})
        a.Wide(cp, 0, s, static_cast<int>(s.size()), cap, nullptr, false);
    }

    const Bytes mb = B({'A', 0x82, 0xA0, 0xE9, 0x81, 0x40, 0xB0, 0xA1, 0x8F, 'z'});
    const Bytes mb_nul = B({'A', 0xC3, 0xA9, 0, 'X'});
    const int m = static_cast<int>(mb.size());
    for (int cap : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 16}) a.Multi(cp, 0, mb, m, cap);
    for (int cap : {0, 2, 3, 4, 16}) a.Multi(cp, 0, mb_nul, -1, cap);
    a.Multi(cp, 0, mb, 0, 16);
    a.Multi(cp, 0, mb_nul, -5, 16);
    a.Multi(cp, 0, mb, m, 16, true);
    a.Multi(cp, 0, mb, m, 16, false, true);
    a.Multi(cp, 0, mb, m, -1);
    a.Multi(cp, 0, mb, m, 0, false, true);
    for (DWORD flags : {0x1u, 0x8u, 0x9u, 0x10u, 0x100u, 0x2000u}) a.Multi(cp, flags, mb, m, 16);
    // Lead bytes without a trail, with a NUL trail, with an invalid trail.
    for (const Bytes& s :
         {B({0x81}), B({'a', 0x81}), B({0x81, 0}), B({0x81, 0x7F}), B({0x81, 0xFF}), B({0x80}),
          B({0xFF}), B({0xA0}), B({0xFD}), B({0xC3}), B({0xE2, 0x82}), B({0xF0, 0x9F, 0x98}),
          B({0xF0, 0x9F, 0x98, 0x80}), B({0xED, 0xA0, 0x80}), B({0xC0, 0x80}),
          B({0xE0, 0x80, 0x80}), B({0xF4, 0x90, 0x80, 0x80})}) {
      for (DWORD flags : {0u, 0x8u}) {
        a.Multi(cp, flags, s, static_cast<int>(s.size()), 16);
        a.Multi(cp, flags, s, static_cast<int>(s.size()), 0);
      }
      a.Multi(cp, 0, s, static_cast<int>(s.size()), 1);
    }
  }
  // Code pages this layer does not know, or that are not code pages at all.
  for (UINT cp : {5u, 1200u, 1201u, 12345u, 20000u, 65002u, 99999u, 0xFFFFu}) {
    a.Wide(cp, 0, text, static_cast<int>(text.size()), 32, nullptr, false);
    a.Multi(cp, 0, B({'a', 'b'}), 2, 16);
  }

  for (LCID lcid :
       {0x0409u,     0x0411u,     0x0439u,     0x0419u,     0x0019u,     0x0004u,     0x7C04u,
        0x0001u,     0x0000u,     0x0400u,     0x0800u,     0x007Fu,     0x00010407u, 0x00020804u,
        0x00050804u, 0x00010409u, 0x00100409u, 0x80000409u, 0xFFFFFFFFu, 0x1234u}) {
    for (LCTYPE t : {0x1004u, 0x80001004u, 0xBu, 0x8000000Bu}) {
      for (int cap : {0, 1, 2, 3, 4, 5, 6, 40}) a.Locale(lcid, t, cap);
      a.Locale(lcid, t, 40, true);
      a.Locale(lcid, t, -1);
    }
  }
  a.Locale(0x0409, 0x1004, 0, true);
}

// locales.txt: GetLocaleInfoA for every LCID with sort bits 0..15.
void WriteLocales(const std::string& dir) {
  File f(dir, "locales.txt");
  f.Line("# GetLocaleInfoA(lcid, type, buf, 40) for lcid 0..fffff. Line: first lcid, count,");
  f.Line("# the answer ('!N': returned 0 with error N).");
  for (LCTYPE type : {0x1004u, 0xBu}) {
    char head[32];
    std::snprintf(head, sizeof head, "[type %lx]", static_cast<unsigned long>(type));
    f.Line(head);
    RunWriter runs(f);
    for (LCID lcid = 0; lcid < 0x100000; ++lcid) {
      char buf[40];
      SetLastError(0);
      const int ret = GetLocaleInfoA(lcid, type, buf, sizeof buf);
      char key[16];
      std::snprintf(key, sizeof key, "%05lx", static_cast<unsigned long>(lcid));
      runs.Add(key, ret > 0 ? "=" + std::string(buf) + "/" + std::to_string(ret)
                            : "!" + std::to_string(GetLastError()));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: make_codepage_vectors <output folder> [tables|strings|api|locales]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::string what = argc > 2 ? argv[2] : "all";
  if (what == "all" || what == "tables") {
    for (UINT cp : kTablePages) {
      WriteWideTable(dir, cp);
      WriteMultiTable(dir, cp);
    }
  }
  if (what == "all" || what == "strings") WriteStrings(dir);
  if (what == "all" || what == "api") WriteApiCases(dir);
  if (what == "all" || what == "locales") WriteLocales(dir);
  std::printf("ACP %u OEMCP %u user LCID %lx\n", GetACP(), GetOEMCP(),
              static_cast<unsigned long>(GetUserDefaultLCID()));
  return 0;
}
