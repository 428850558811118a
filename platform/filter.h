// Document-filter interface (IFilter), its chunk record and result values.
#pragma once

#include "platform/com.h"

#ifdef _WIN32
#include <filter.h>
#include <filterr.h>
#else

enum CHUNK_BREAKTYPE {
  CHUNK_NO_BREAK = 0,
  CHUNK_EOW = 1,
  CHUNK_EOS = 2,
  CHUNK_EOP = 3,
  CHUNK_EOC = 4
};

enum CHUNKSTATE { CHUNK_TEXT = 0x1, CHUNK_VALUE = 0x2, CHUNK_FILTER_OWNED_VALUE = 0x4 };

enum IFILTER_INIT {
  IFILTER_INIT_CANON_PARAGRAPHS = 1,
  IFILTER_INIT_HARD_LINE_BREAKS = 2,
  IFILTER_INIT_CANON_HYPHENS = 4,
  IFILTER_INIT_CANON_SPACES = 8,
  IFILTER_INIT_APPLY_INDEX_ATTRIBUTES = 16,
  IFILTER_INIT_APPLY_OTHER_ATTRIBUTES = 32,
  IFILTER_INIT_INDEXING_ONLY = 64,
  IFILTER_INIT_SEARCH_LINKS = 128,
  IFILTER_INIT_APPLY_CRAWL_ATTRIBUTES = 256,
  IFILTER_INIT_FILTER_OWNED_VALUE_OK = 512
};

enum IFILTER_FLAGS { IFILTER_FLAGS_OLE_PROPERTIES = 1 };

#define PRSPEC_LPWSTR 0
#define PRSPEC_PROPID 1

struct PROPSPEC {
  ULONG ulKind;
  union {
    PROPID propid;
    LPOLESTR lpwstr;
  };
};

struct FULLPROPSPEC {
  GUID guidPropSet;
  PROPSPEC psProperty;
};

struct STAT_CHUNK {
  ULONG idChunk;
  CHUNK_BREAKTYPE breakType;
  CHUNKSTATE flags;
  LCID locale;
  FULLPROPSPEC attribute;
  ULONG idChunkSource;
  ULONG cwcStartSource;
  ULONG cwcLenSource;
};

struct FILTERREGION {
  ULONG idChunk;
  ULONG cwcStart;
  ULONG cwcExtent;
};

// Property values (value chunks) are never read by the library; the bundled
// server hands out strings, so only that much of the platform's variant is here.
using VARTYPE = unsigned short;
enum VARENUM { VT_EMPTY = 0, VT_I2 = 2, VT_I4 = 3, VT_LPSTR = 30, VT_LPWSTR = 31 };

// The platform's layout: a type tag, three reserved words and a union as
// large as a count and a pointer.
struct PROPVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    SHORT iVal;
    LONG lVal;
    LPSTR pszVal;
    LPWSTR pwszVal;
    struct {
      ULONG cElems;
      void* pElems;
    } ca;
  };
};

// Frees what the variant owns (strings from CoTaskMemAlloc) and empties it.
HRESULT PropVariantClear(PROPVARIANT* pvar);

struct IFilter : IUnknown {
  virtual SCODE STDMETHODCALLTYPE Init(ULONG grfFlags, ULONG cAttributes,
                                       const FULLPROPSPEC* aAttributes, ULONG* pFlags) = 0;
  virtual SCODE STDMETHODCALLTYPE GetChunk(STAT_CHUNK* pStat) = 0;
  virtual SCODE STDMETHODCALLTYPE GetText(ULONG* pcwcBuffer, WCHAR* awcBuffer) = 0;
  virtual SCODE STDMETHODCALLTYPE GetValue(PROPVARIANT** ppPropValue) = 0;
  virtual SCODE STDMETHODCALLTYPE BindRegion(FILTERREGION origPos, REFIID riid, void** ppunk) = 0;

 protected:
  ~IFilter() = default;
};

extern const IID IID_IFilter;

#define FILTER_E_END_OF_CHUNKS MAKE_HR(0x80041700u)
#define FILTER_E_NO_MORE_TEXT MAKE_HR(0x80041701u)
#define FILTER_E_NO_MORE_VALUES MAKE_HR(0x80041702u)
#define FILTER_E_ACCESS MAKE_HR(0x80041703u)
#define FILTER_W_MONIKER_CLIPPED MAKE_HR(0x00041704u)
#define FILTER_E_NO_TEXT MAKE_HR(0x80041705u)
#define FILTER_E_NO_VALUES MAKE_HR(0x80041706u)
#define FILTER_E_EMBEDDING_UNAVAILABLE MAKE_HR(0x80041707u)
#define FILTER_E_LINK_UNAVAILABLE MAKE_HR(0x80041708u)
#define FILTER_S_LAST_TEXT MAKE_HR(0x00041709u)
#define FILTER_S_LAST_VALUES MAKE_HR(0x0004170Au)
#define FILTER_E_PASSWORD MAKE_HR(0x8004170Bu)
#define FILTER_E_UNKNOWNFORMAT MAKE_HR(0x8004170Cu)

#endif  // _WIN32
