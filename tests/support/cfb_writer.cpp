#include "tests/support/cfb_writer.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <stdexcept>

namespace cfbtest {
namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFEu, kFree = 0xFFFFFFFFu, kFatSect = 0xFFFFFFFDu,
                        kDifSect = 0xFFFFFFFCu, kNone = 0xFFFFFFFFu;

void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

std::uint64_t Ceil(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

// Tree order: length first, then ASCII upper case (the tests' names are ASCII
// where order matters).
bool Before(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return up(a[i]) < up(b[i]);
  }
  return false;
}

struct Flat {
  const Node* node;
  std::uint32_t left = kNone, right = kNone, child = kNone;
  std::uint32_t start = kEnd;
  std::uint64_t size = 0;
  bool mini = false;
};

class Builder {
 public:
  Builder(const Node& root, const Options& o) : o_(o), ss_(o.major == 4 ? 4096 : 512) {
    if (o.major != 3 && o.major != 4) throw std::invalid_argument("version");
    flat_.push_back({&root});
    for (std::size_t i = 0; i < flat_.size(); ++i) {
      if (flat_[i].node->storage || i == 0) linkChildren(std::uint32_t(i));
    }
  }

  Written build() {
    const std::uint32_t per = ss_ / 4;
    std::uint64_t regular = 0, mini = 0;
    for (std::size_t i = 1; i < flat_.size(); ++i) {
      const auto& d = flat_[i].node->data;
      if (flat_[i].node->storage || d.empty()) continue;
      if (d.size() >= 4096)
        regular += Ceil(d.size(), ss_);
      else
        mini += Ceil(d.size(), 64);
    }
    const std::uint64_t miniStreamSectors = Ceil(mini * 64, ss_);
    const std::uint64_t miniFatSectors = Ceil(mini * 4, ss_);
    const std::uint64_t dirSectors = Ceil(flat_.size() * 128, ss_);
    const std::uint64_t nonFat = regular + miniStreamSectors + miniFatSectors + dirSectors;
    std::uint64_t fat = 0, difat = 0;
    for (;;) {
      const std::uint64_t f = Ceil(nonFat + fat + difat, per) + o_.extraFatSectors;
      const std::uint64_t d = f > 109 ? Ceil(f - 109, per - 1) : 0;
      if (f == fat && d == difat) break;
      fat = f;
      difat = d;
    }
    const std::uint32_t n = std::uint32_t(nonFat + fat + difat);
    order_.resize(n);
    std::iota(order_.begin(), order_.end(), 0u);
    if (o_.scatter && n > 2) {
      std::uint32_t a = 7919;
      while (std::gcd(a, n) != 1) a += 2;
      for (std::uint32_t k = 0; k < n; ++k)
        order_[k] = std::uint32_t((std::uint64_t(k) * a + 3) % n);
    }
    sectors_.assign(n, std::vector<std::uint8_t>(ss_, 0));
    out_.fat.assign(fat * per, kFree);
    out_.sectorSize = ss_;

    // FAT and DIFAT first, then the mini stream and its FAT, the directory,
    // and regular streams last, so that a stream's sector ends the file.
    out_.fatSectors = take(fat);
    out_.difatSectors = take(difat);
    for (auto id : out_.fatSectors) out_.fat[id] = kFatSect;
    for (auto id : out_.difatSectors) out_.fat[id] = kDifSect;
    std::vector<std::uint8_t> miniStream;
    std::vector<std::uint32_t> miniFat;
    for (std::size_t i = 1; i < flat_.size(); ++i) {
      Flat& f = flat_[i];
      const auto& d = f.node->data;
      if (f.node->storage) continue;
      f.size = d.size();
      if (d.empty() || d.size() >= 4096) continue;
      f.mini = true;
      f.start = std::uint32_t(miniFat.size());
      const std::size_t count = Ceil(d.size(), 64);
      for (std::size_t k = 0; k < count; ++k)
        miniFat.push_back(k + 1 < count ? f.start + std::uint32_t(k) + 1 : kEnd);
      miniStream.resize(miniStream.size() + count * 64, 0);
      std::memcpy(&miniStream[f.start * 64u], d.data(), d.size());
    }
    std::uint32_t miniFatStart = kEnd;
    if (!miniStream.empty()) {
      const auto ids = chain(miniStreamSectors);
      flat_[0].start = ids[0];
      flat_[0].size = miniStream.size();
      fill(ids, miniStream.data(), miniStream.size());
      std::vector<std::uint8_t> raw(miniFatSectors * ss_, 0xFF);
      for (std::size_t k = 0; k < miniFat.size(); ++k) Put32(&raw[4 * k], miniFat[k]);
      out_.miniFatSectors = chain(miniFatSectors);
      miniFatStart = out_.miniFatSectors[0];
      fill(out_.miniFatSectors, raw.data(), raw.size());
    }
    out_.dirSectors = chain(dirSectors);
    for (std::size_t i = 1; i < flat_.size(); ++i) {
      Flat& f = flat_[i];
      const auto& d = f.node->data;
      if (f.node->storage || d.size() < 4096) continue;
      const auto ids = chain(Ceil(d.size(), ss_));
      f.start = ids[0];
      fill(ids, d.data(), d.size());
    }
    // Directory.
    std::vector<std::uint8_t> dir(dirSectors * ss_, 0);
    for (std::size_t i = 0; i < dirSectors * ss_ / 128; ++i) {
      std::uint8_t* p = &dir[i * 128];
      Put32(p + 68, kNone);
      Put32(p + 72, kNone);
      Put32(p + 76, kNone);
      if (i >= flat_.size()) continue;
      const Flat& f = flat_[i];
      const std::u16string name = i == 0 ? u"Root Entry" : f.node->name;
      for (std::size_t k = 0; k < name.size() && k < 31; ++k) Put16(p + 2 * k, name[k]);
      Put16(p + 64, std::uint16_t((std::min<std::size_t>(name.size(), 31) + 1) * 2));
      p[66] = i == 0 ? 5 : (f.node->storage ? 1 : 2);
      p[67] = 1;  // black
      Put32(p + 68, f.left);
      Put32(p + 72, f.right);
      Put32(p + 76, f.child);
      std::memcpy(p + 80, f.node->clsid.data(), 16);
      Put32(p + 116, f.start);
      Put32(p + 120, std::uint32_t(f.size));
      Put32(p + 124, std::uint32_t(f.size >> 32));
      out_.entries.push_back({i == 0 ? name : f.node->name, f.start, f.size, f.mini});
    }
    fill(out_.dirSectors, dir.data(), dir.size());
    std::vector<std::uint8_t> rawFat(out_.fat.size() * 4);
    for (std::size_t k = 0; k < out_.fat.size(); ++k) Put32(&rawFat[4 * k], out_.fat[k]);
    fill(out_.fatSectors, rawFat.data(), rawFat.size());
    for (std::size_t s = 0; s < out_.difatSectors.size(); ++s) {
      std::uint8_t* p = sectors_[out_.difatSectors[s]].data();
      std::memset(p, 0xFF, ss_);
      for (std::uint32_t k = 0; k < per - 1; ++k) {
        const std::size_t idx = 109 + s * (per - 1) + k;
        if (idx < out_.fatSectors.size()) Put32(p + 4 * k, out_.fatSectors[idx]);
      }
      Put32(p + 4 * (per - 1), s + 1 < out_.difatSectors.size() ? out_.difatSectors[s + 1] : kEnd);
    }
    // Header.
    std::vector<std::uint8_t> header(ss_, 0);
    const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(header.data(), sig, 8);
    Put16(&header[24], 0x3E);
    Put16(&header[26], std::uint16_t(o_.major));
    Put16(&header[28], 0xFFFE);
    Put16(&header[30], o_.major == 4 ? 12 : 9);
    Put16(&header[32], 6);
    Put32(&header[40], o_.major == 4 ? std::uint32_t(dirSectors) : 0);
    Put32(&header[44], std::uint32_t(fat));
    Put32(&header[48], out_.dirSectors[0]);
    Put32(&header[56], 4096);
    Put32(&header[60], miniFatStart);
    Put32(&header[64], std::uint32_t(out_.miniFatSectors.size()));
    Put32(&header[68], out_.difatSectors.empty() ? kEnd : out_.difatSectors[0]);
    Put32(&header[72], std::uint32_t(difat));
    for (std::uint32_t k = 0; k < 109; ++k)
      Put32(&header[76 + 4 * k], k < out_.fatSectors.size() ? out_.fatSectors[k] : kFree);
    out_.bytes = std::move(header);
    for (auto& s : sectors_) out_.bytes.insert(out_.bytes.end(), s.begin(), s.end());
    return std::move(out_);
  }

 private:
  void linkChildren(std::uint32_t parent) {
    std::vector<std::uint32_t> ids;
    for (const Node& c : flat_[parent].node->children) {
      ids.push_back(std::uint32_t(flat_.size()));
      flat_.push_back({&c});
    }
    if (!o_.unorderedTree) {
      std::stable_sort(ids.begin(), ids.end(), [&](std::uint32_t a, std::uint32_t b) {
        return Before(flat_[a].node->name, flat_[b].node->name);
      });
      flat_[parent].child = balance(ids, 0, ids.size());
    } else {
      // A right-leaning list in the given order: valid links, wrong order.
      for (std::size_t k = 0; k + 1 < ids.size(); ++k) flat_[ids[k]].right = ids[k + 1];
      flat_[parent].child = ids.empty() ? kNone : ids[0];
    }
  }
  std::uint32_t balance(const std::vector<std::uint32_t>& ids, std::size_t lo, std::size_t hi) {
    if (lo >= hi) return kNone;
    const std::size_t mid = (lo + hi) / 2;
    flat_[ids[mid]].left = balance(ids, lo, mid);
    flat_[ids[mid]].right = balance(ids, mid + 1, hi);
    return ids[mid];
  }
  std::vector<std::uint32_t> take(std::uint64_t count) {
    std::vector<std::uint32_t> ids;
    for (std::uint64_t k = 0; k < count; ++k) ids.push_back(order_[next_++]);
    return ids;
  }
  std::vector<std::uint32_t> chain(std::uint64_t count) {
    auto ids = take(count);
    for (std::size_t k = 0; k < ids.size(); ++k)
      out_.fat[ids[k]] = k + 1 < ids.size() ? ids[k + 1] : kEnd;
    return ids;
  }
  void fill(const std::vector<std::uint32_t>& ids, const std::uint8_t* data, std::size_t size) {
    for (std::size_t k = 0; k < ids.size() && k * ss_ < size; ++k)
      std::memcpy(sectors_[ids[k]].data(), data + k * ss_,
                  std::min<std::size_t>(ss_, size - k * ss_));
  }

  Options o_;
  std::uint32_t ss_;
  std::vector<Flat> flat_;
  std::vector<std::uint32_t> order_;
  std::size_t next_ = 0;
  std::vector<std::vector<std::uint8_t>> sectors_;
  Written out_;
};

}  // namespace

Node Stream(std::u16string name, std::vector<std::uint8_t> data) {
  Node n;
  n.name = std::move(name);
  n.data = std::move(data);
  return n;
}

Node Storage(std::u16string name, std::vector<Node> children) {
  Node n;
  n.name = std::move(name);
  n.storage = true;
  n.children = std::move(children);
  return n;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> v(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = std::uint8_t(x);
  }
  return v;
}

Written Write(const Node& root, const Options& options) { return Builder(root, options).build(); }

std::size_t Written::sectorOffset(std::uint32_t id) const {
  return sectorSize + std::size_t(id) * sectorSize;
}

std::size_t Written::dirEntryOffset(std::uint32_t index) const {
  const std::uint32_t per = sectorSize / 128;
  return sectorOffset(dirSectors.at(index / per)) + (index % per) * 128;
}

void Written::put32(std::size_t offset, std::uint32_t v) { Put32(&bytes.at(offset + 3) - 3, v); }

void Written::setFat(std::uint32_t id, std::uint32_t next) {
  const std::uint32_t per = sectorSize / 4;
  put32(sectorOffset(fatSectors.at(id / per)) + 4 * (id % per), next);
  fat[id] = next;
}

std::uint32_t Written::entryIndex(const std::u16string& name) const {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].name == name) return std::uint32_t(i);
  throw std::out_of_range("no entry");
}

}  // namespace cfbtest
