#include "wordfilt/formats/any_format.h"

#include <new>

#include "wordfilt/doc/compound_streams.h"
#include "wordfilt/formats/detect.h"
#include "wordfilt/html/html_reader.h"
#include "wordfilt/ooxml/ooxml_reader.h"
#include "wordfilt/ooxml/wordml_reader.h"
#include "wordfilt/plaintext/text_reader.h"
#include "wordfilt/rtf/rtf_reader.h"

namespace wordfilt {
namespace {

LoadStatus Dispatch(Format format, const std::uint8_t* data, std::size_t size, DocumentText& out,
                    const ExtractOptions& options) {
  switch (format) {
    case Format::kCompound:
    case Format::kWord2: return ExtractFromBytes(data, size, out, options);
    case Format::kRtf: return ExtractRtf(data, size, out, options);
    case Format::kOoxml: return ExtractOoxml(data, size, out, options);
    case Format::kWordXml: return ExtractWordXml(data, size, out, options);
    case Format::kHtml: return ExtractHtml(data, size, out, options);
    case Format::kMhtml: return ExtractMhtml(data, size, out, options);
    case Format::kPlainText: return ExtractPlainText(data, size, out, options);
    case Format::kUnknown:
    default: return LoadStatus::kNotWord;
  }
}

}  // namespace

bool StartsCompoundFile(const std::uint8_t* data, std::size_t size) {
  return data && size >= 8 && DetectFormat(data, 8) == Format::kCompound;
}

LoadStatus ExtractCompoundFrom(std::shared_ptr<const platform::cfb::ByteSource> source,
                               DocumentText& out, const ExtractOptions& options) {
  out = DocumentText();
  LoadStatus status = LoadStatus::kNotWord;
  try {
    status = ExtractFromCompoundSource(std::move(source), out, options);
  } catch (...) {
    status = LoadStatus::kDamaged;
  }
  if (status != LoadStatus::kOk) out = DocumentText();
  return status;
}

LoadStatus ExtractAnyFormat(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options) {
  out = DocumentText();
  LoadStatus status = LoadStatus::kNotWord;
  try {
    status = Dispatch(DetectFormat(data, size), data, size, out, options);
  } catch (...) {
    status = LoadStatus::kDamaged;
  }
  if (status != LoadStatus::kOk) out = DocumentText();
  return status;
}

}  // namespace wordfilt
