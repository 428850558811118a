// Feeds arbitrary bytes to the XML reader, delivered in small pieces so that
// every token can straddle a refill. Checks that start and end events
// balance and that depth follows them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wordfilt/xml/xml_reader.h"
#include "wordfilt/xml/xml_text.h"

namespace {

// Hands out the input a few bytes at a time, the count taken from the data.
class DripInput : public wordfilt::xml::Input {
 public:
  DripInput(const std::uint8_t* data, std::size_t size, std::size_t step)
      : data_(data), left_(size), step_(step) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t n) override {
    if (n > step_) n = step_;
    if (n > left_) n = left_;
    for (std::size_t i = 0; i < n; ++i) buffer[i] = data_[i];
    data_ += n;
    left_ -= n;
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t left_;
  std::size_t step_;
};

constexpr wordfilt::xml::NamespaceId kNames[] = {{"urn:a", 0}, {"urn:b", 1}, {"", 2}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t step = 1 + data[0] % 97;
  DripInput input(data + 1, size - 1, step);
  wordfilt::xml::Reader reader(input, kNames, 3);
  std::size_t depth = 0;
  std::u16string text;
  for (;;) {
    const wordfilt::xml::Event e = reader.Next();
    if (e == wordfilt::xml::Event::kStart) {
      ++depth;
      if (reader.depth() != depth) __builtin_trap();
      for (const auto& a : reader.attributes()) {
        text.clear();
        wordfilt::xml::AppendUtf16(a.value, text);
      }
      // Skip some elements whole, as the readers do.
      if (!reader.local().empty() && reader.local()[0] == 's') {
        reader.Skip();
        --depth;
      }
    } else if (e == wordfilt::xml::Event::kEnd) {
      if (reader.depth() != depth) __builtin_trap();
      --depth;
    } else if (e == wordfilt::xml::Event::kText) {
      text.clear();
      wordfilt::xml::AppendUtf16(reader.text(), text);
    } else {
      break;
    }
  }
  if (depth != 0) __builtin_trap();
  return 0;
}
