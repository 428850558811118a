#ifndef _WIN32
#include "platform/text/codec.h"
#include "platform/text/double_byte_codec.h"
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
    case 65001: {
      static const Utf8Codec codec;
      return &codec;
    }
    default: return nullptr;
  }
}

}  // namespace platform::text
#endif  // _WIN32
