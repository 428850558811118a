// A StreamSource over the root storage of a compound file read by the
// platform's reader, and extraction straight from a file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/storage/compound_file.h"
#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/stream_source.h"

namespace wordfilt {

class CompoundStreams : public StreamSource {
 public:
  explicit CompoundStreams(std::shared_ptr<const platform::cfb::CompoundFile> file)
      : file_(std::move(file)) {}
  bool Read(std::u16string_view name, ByteBuffer& out) override;

 private:
  std::shared_ptr<const platform::cfb::CompoundFile> file_;
};

// Extracts the text of a document held in memory: a compound file, or a Word 2
// file (which is no compound file). kNotWord for other data and for compound
// files without a WordDocument stream; kDamaged when the container is broken.
LoadStatus ExtractFromBytes(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options = ExtractOptions());

// Extracts the text of a compound file read through `source` as the parser
// asks for its streams, so that only their sectors are read (a file full of
// pictures costs no more than its text). kNotWord when the source holds no
// compound file; otherwise as ExtractFromBytes.
LoadStatus ExtractFromCompoundSource(std::shared_ptr<const platform::cfb::ByteSource> source,
                                     DocumentText& out,
                                     const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
