#include "vector_files.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace vectors {

std::vector<std::string> ReadLines(const std::string& name) {
  std::ifstream in(std::string(DOCFLT_SOURCE_DIR "/tests/data/codepages/") + name);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Split(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> parts;
  std::string part;
  while (in >> part) parts.push_back(part);
  return parts;
}

static bool IsHexNumber(const std::string& s) {
  if (s.empty() || s.size() > 16 || s.size() % 2) return false;
  return s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string AddToHex(const std::string& hex, std::uint64_t n) {
  const std::uint64_t v = std::stoull(hex, nullptr, 16) + n;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*llx", static_cast<int>(hex.size()),
                static_cast<unsigned long long>(v));
  return buf;
}

void VisitRuns(const std::string& name, const RunVisitor& visit) {
  std::string section;
  for (const std::string& line : ReadLines(name)) {
    if (line[0] == '[') {
      section = line;
      continue;
    }
    const std::vector<std::string> p = Split(line);
    if (section.empty() || p.size() != 3) continue;
    std::string count = p[1];
    const bool constant = !count.empty() && count.back() == '=';
    if (constant) count.pop_back();
    const std::uint64_t n = std::stoull(count);
    const bool steps = !constant && IsHexNumber(p[2]);
    for (std::uint64_t i = 0; i < n; ++i)
      visit(section, AddToHex(p[0], i), steps ? AddToHex(p[2], i) : p[2]);
  }
}

std::map<std::string, Section> ReadRuns(const std::string& name) {
  std::map<std::string, Section> sections;
  VisitRuns(name, [&](const std::string& section, const std::string& key,
                      const std::string& value) { sections[section][key] = value; });
  return sections;
}

std::vector<std::uint8_t> HexBytes(const std::string& hex) {
  std::vector<std::uint8_t> out;
  if (hex == "-") return out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::vector<std::uint16_t> HexUnits(const std::string& hex) {
  std::vector<std::uint16_t> out;
  if (hex == "-") return out;
  for (std::size_t i = 0; i + 3 < hex.size(); i += 4)
    out.push_back(static_cast<std::uint16_t>(std::stoul(hex.substr(i, 4), nullptr, 16)));
  return out;
}

std::string ToHex(const std::uint8_t* p, std::size_t n) {
  if (n == 0) return "-";
  std::string s;
  char buf[4];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", p[i]);
    s += buf;
  }
  return s;
}

std::string ToHex(const std::uint16_t* p, std::size_t n) {
  if (n == 0) return "-";
  std::string s;
  char buf[8];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%04x", p[i]);
    s += buf;
  }
  return s;
}

}  // namespace vectors
