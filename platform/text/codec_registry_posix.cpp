#ifndef _WIN32
#include "platform/text/codec.h"
#include "platform/text/double_byte_codec.h"
#include "platform/text/gb18030_codec.h"
#include "platform/text/single_byte_codec.h"
#include "platform/text/utf8_codec.h"

namespace platform::text {
namespace {

const SingleBytePageData* SingleBytePage(unsigned code_page) {
  for (std::size_t i = 0; i < kSingleBytePageCount; ++i)
    if (kSingleBytePages[i].code_page == code_page) return &kSingleBytePages[i];
  return nullptr;
}

// One codec per page, built on first use (its 64K table costs time and memory) and
// destroyed with the module: a plug-in that a host loads and unloads again and
// again must not leave its tables behind each time.
template <unsigned CodePage>
const Codec* SingleByte() {
  static const SingleByteCodec codec(*SingleBytePage(CodePage));
  return &codec;
}

}  // namespace

const Codec* FindCodec(unsigned code_page) {
  switch (code_page) {
    case 874: return SingleByte<874>();
    case 1250: return SingleByte<1250>();
    case 1251: return SingleByte<1251>();
    case 1252: return SingleByte<1252>();
    case 1253: return SingleByte<1253>();
    case 1254: return SingleByte<1254>();
    case 1255: return SingleByte<1255>();
    case 1256: return SingleByte<1256>();
    case 1257: return SingleByte<1257>();
    case 1258: return SingleByte<1258>();
    case 437: return SingleByte<437>();
    case 850: return SingleByte<850>();
    case 866: return SingleByte<866>();
    case 852: return SingleByte<852>();
    case 10000: return SingleByte<10000>();
    case 20127: return SingleByte<20127>();
    case 20866: return SingleByte<20866>();
    case 21866: return SingleByte<21866>();
    case 28591: return SingleByte<28591>();
    case 28592: return SingleByte<28592>();
    case 28593: return SingleByte<28593>();
    case 28594: return SingleByte<28594>();
    case 28595: return SingleByte<28595>();
    case 28596: return SingleByte<28596>();
    case 28597: return SingleByte<28597>();
    case 28598: return SingleByte<28598>();
    case 28599: return SingleByte<28599>();
    case 28603: return SingleByte<28603>();
    case 28605: return SingleByte<28605>();
    case 932: {
      static const DoubleByteCodec codec(kPage932);
      return &codec;
    }
    case 936: {
      static const DoubleByteCodec codec(kPage936);
      return &codec;
    }
    case 949: {
      static const DoubleByteCodec codec(kPage949);
      return &codec;
    }
    case 950: {
      static const DoubleByteCodec codec(kPage950);
      return &codec;
    }
    case 54936: {
      static const Gb18030Codec codec(kPage936, kPage54936);
      return &codec;
    }
    case 65001: {
      static const Utf8Codec codec;
      return &codec;
    }
    default: return nullptr;
  }
}

}  // namespace platform::text
#endif  // _WIN32
