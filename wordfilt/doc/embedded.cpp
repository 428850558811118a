#include "wordfilt/doc/embedded.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "wordfilt/doc/compound_streams.h"
#include "wordfilt/doc/extract.h"

namespace wordfilt {
namespace {

constexpr std::uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// A package's header (names and paths) comes before its file: the file's
// signature is looked for this far in.
constexpr std::size_t kPackageHeaderLimit = 4096;

// The streams of one storage below the source's root, by path.
class NestedStreams final : public StreamSource {
 public:
  NestedStreams(StreamSource& parent, std::u16string prefix)
      : parent_(parent), prefix_(std::move(prefix)) {}
  bool Read(std::u16string_view name, ByteBuffer& out) override {
    std::u16string path = prefix_;
    path.append(name);
    return parent_.Read(path, out);
  }

 private:
  StreamSource& parent_;
  std::u16string prefix_;
};

std::u16string ObjectStorage(std::uint32_t id) {
  const std::string digits = std::to_string(id);
  return u"ObjectPool/_" + std::u16string(digits.begin(), digits.end()) + u"/";
}

// The text of object `id`, or false when it holds no readable Word document.
bool ObjectText(StreamSource& source, std::uint32_t id, const ExtractOptions& options,
                DocumentText& text) {
  NestedStreams object(source, ObjectStorage(id));
  if (ExtractText(object, text, options) == LoadStatus::kOk) return true;
  ByteBuffer native;
  if (!object.Read(u"\x01Ole10Native", native)) return false;
  const ByteSpan file = PackagedCompoundFile(ByteSpan(native));
  return file.size() != 0 &&
         ExtractFromBytes(file.data(), file.size(), text, options) == LoadStatus::kOk;
}

// Adds `text` to `out` as a story of its own (a chapter break at its start).
void AppendStory(const DocumentText& text, DocumentText& out) {
  if (text.text.empty() || out.text.size() + text.text.size() >= UINT32_MAX) return;
  if (!out.text.empty() && out.text.back() != u'\n') {
    out.text.push_back(u'\n');
    if (!out.chunks.empty()) ++out.chunks.back().length;
  }
  const auto shift = static_cast<std::uint32_t>(out.text.size());
  out.text.append(text.text);
  for (std::size_t i = 0; i < text.chunks.size(); ++i) {
    TextChunk chunk = text.chunks[i];
    chunk.offset += shift;
    if (i == 0 && !out.chunks.empty()) chunk.breakType = kBreakChapter;
    out.chunks.push_back(chunk);
  }
  out.truncated = out.truncated || text.truncated;
}

}  // namespace

ByteSpan PackagedCompoundFile(ByteSpan native) {
  const std::size_t limit = std::min<std::size_t>(native.size(), kPackageHeaderLimit);
  // The file's length comes just before its first byte.
  for (std::size_t at = 8; at + sizeof kCompoundSignature <= limit; ++at) {
    if (std::memcmp(native.data() + at, kCompoundSignature, sizeof kCompoundSignature) != 0) {
      continue;
    }
    const std::size_t length = native.U32Or0(at - 4);
    return native.Sub(at, std::min(length, native.size() - at));
  }
  return ByteSpan();
}

void AppendEmbeddedDocuments(StreamSource& source, const std::vector<std::uint32_t>& objects,
                             const ExtractOptions& options, DocumentText& out) {
  if (options.embeddedDepth <= 0) return;
  ExtractOptions inner = options;
  inner.embeddedDepth = options.embeddedDepth - 1;
  inner.properties = false;
  inner.embeddedObjects = options.embeddedObjects / 4;
  std::vector<std::uint32_t> opened;
  for (std::uint32_t id : objects) {
    if (opened.size() >= options.embeddedObjects) break;
    if (std::find(opened.begin(), opened.end(), id) != opened.end()) continue;
    opened.push_back(id);
    DocumentText text;
    if (ObjectText(source, id, inner, text)) AppendStory(text, out);
  }
}

}  // namespace wordfilt
