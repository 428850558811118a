/* A host written in C against docflt/docflt.h alone: it loads the plug-in at
   run time and drives it through the record, so the header's layout, calling
   convention and constants are checked against the built module.

     c_host PLUGIN SAMPLE    exit status 0 when every check passed */
#include <docflt/docflt.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ISO C has no conversion between object and function pointers: the
   address is copied into the function pointer as bytes. */
#ifdef _WIN32
#include <windows.h>
#define OPEN(path) ((void*)LoadLibraryA(path))
#define BIND(fn, name)                                  \
  do {                                                  \
    FARPROC p_ = GetProcAddress((HMODULE)module, name); \
    memcpy(&(fn), &p_, sizeof(fn));                     \
  } while (0)
#else
#include <dlfcn.h>
#define OPEN(path) dlopen(path, RTLD_NOW | RTLD_LOCAL)
#define BIND(fn, name)              \
  do {                              \
    void* p_ = dlsym(module, name); \
    memcpy(&(fn), &p_, sizeof(fn)); \
  } while (0)
#endif

/* The record first, the host's context after it. */
typedef struct {
  FILTEREDSTREAMINFO info;
  const unsigned char* bytes;
  FLT_DWORD size, offset;
  const char* path; /* null: no file name */
  FLT_LONG codePage;
  FLT_LONG sizeResult; /* what GetSize answers */
} Document;

static FLT_LONG FLT_CALLBACK GetSize(FILTEREDSTREAMINFO* info, FLT_DWORD* size, FLT_DWORD* r) {
  Document* doc = (Document*)info;
  (void)r;
  *size = doc->size;
  return doc->sizeResult;
}

static FLT_LONG FLT_CALLBACK Read(FILTEREDSTREAMINFO* info, void* buffer, FLT_DWORD capacity,
                                  FLT_DWORD* got) {
  Document* doc = (Document*)info;
  FLT_DWORD n = doc->size - doc->offset;
  if (n > capacity) n = capacity;
  memcpy(buffer, doc->bytes + doc->offset, n);
  doc->offset += n;
  *got = n;
  return 0;
}

static FLT_BOOL FLT_CALLBACK GetFileName(FILTEREDSTREAMINFO* info, char* path, FLT_DWORD cch) {
  Document* doc = (Document*)info;
  if (!doc->path || strlen(doc->path) + 1 > cch) return 0;
  strcpy(path, doc->path);
  return 1;
}

static FLT_LONG FLT_CALLBACK GetCodePage(FILTEREDSTREAMINFO* info) {
  return ((Document*)info)->codePage;
}

static PFN_CREATEFILTEREDSTREAM create;
static PFN_READFILTEREDSTREAM readText;
static PFN_CLOSEFILTEREDSTREAM closeStream;
static int failures;

#define CHECK(cond)                                               \
  do {                                                            \
    if (!(cond)) {                                                \
      fprintf(stderr, "c_host:%d: %s failed\n", __LINE__, #cond); \
      ++failures;                                                 \
    }                                                             \
  } while (0)

/* Extracts the document into a fresh buffer; returns the result code. */
static FLTRESULT Extract(Document* doc, char** text, size_t* length) {
  char chunk[1000]; /* small, so that the text comes in several reads */
  FLTRESULT r;
  *text = NULL;
  *length = 0;
  doc->info.cbSize = sizeof(FILTEREDSTREAMINFO);
  doc->info.pfnGetSize = GetSize;
  doc->info.pfnRead = Read;
  doc->info.pfnGetFileName = GetFileName;
  doc->info.pfnGetCodePage = GetCodePage;
  doc->offset = 0;
  r = create(&doc->info);
  if (r != FLT_OK) return r;
  for (;;) {
    FLT_DWORD got = 0;
    r = readText(&doc->info, chunk, sizeof chunk, &got);
    if (r != FLT_OK || got == 0) break;
    *text = (char*)realloc(*text, *length + got + 1);
    memcpy(*text + *length, chunk, got);
    *length += got;
    (*text)[*length] = 0;
  }
  CHECK(closeStream(&doc->info) == FLT_OK);
  CHECK(doc->info.pStream == NULL);
  return r;
}

int main(int argc, char** argv) {
  void* module;
  PFN_GETFILTEREXTENSIONS extensions;
  const char* list;
  FILE* f;
  unsigned char* bytes;
  long size;
  Document doc;
  char *utf8, *wide, *streamed, *text;
  size_t n8, n16, nStreamed, n;

  if (argc != 3) {
    fprintf(stderr, "usage: c_host PLUGIN SAMPLE\n");
    return 2;
  }
  module = OPEN(argv[1]);
  if (!module) {
    fprintf(stderr, "c_host: cannot load %s\n", argv[1]);
    return 2;
  }
  BIND(extensions, FLT_NAME_GETFILTEREXTENSIONS);
  BIND(create, FLT_NAME_CREATEFILTEREDSTREAM);
  BIND(readText, FLT_NAME_READFILTEREDSTREAM);
  BIND(closeStream, FLT_NAME_CLOSEFILTEREDSTREAM);
  if (!extensions || !create || !readText || !closeStream) {
    fprintf(stderr, "c_host: exports missing\n");
    return 2;
  }
  list = extensions();
  CHECK(strcmp(list, "DOC") == 0 && strcmp(list + 4, "DOT") == 0 && list[8] == 0);

  f = fopen(argv[2], "rb");
  if (!f) return 2;
  fseek(f, 0, SEEK_END);
  size = ftell(f);
  fseek(f, 0, SEEK_SET);
  bytes = (unsigned char*)malloc((size_t)size);
  if (fread(bytes, 1, (size_t)size, f) != (size_t)size) return 2;
  fclose(f);

  /* By path, in UTF-8 and in UTF-16LE: the same text. */
  memset(&doc, 0, sizeof doc);
  doc.bytes = bytes;
  doc.size = (FLT_DWORD)size;
  doc.path = argv[2];
  doc.codePage = 65001;
  CHECK(Extract(&doc, &utf8, &n8) == FLT_OK);
  CHECK(utf8 && strncmp(utf8, "Welcome to docflt\n", 18) == 0);
  doc.codePage = FLT_CP_UNICODE;
  CHECK(Extract(&doc, &wide, &n16) == FLT_OK);
  CHECK(wide && n16 > 2 * 18 && n16 % 2 == 0 && memcmp(wide, "W\0e\0l\0c\0o\0m\0e\0", 14) == 0);

  /* Only through the read callback: the same UTF-8 text. */
  doc.path = NULL;
  doc.codePage = 65001;
  CHECK(Extract(&doc, &streamed, &nStreamed) == FLT_OK);
  CHECK(utf8 && streamed && nStreamed == n8 && memcmp(utf8, streamed, n8) == 0);

  /* A host's own failure code comes back unchanged. */
  doc.sizeResult = 7;
  CHECK(Extract(&doc, &text, &n) == 7);
  free(text);
  doc.sizeResult = 0;

  /* Bytes that are no document: the format error. */
  /* (Another word processor's data: plain text would be read as text.) */
  doc.bytes = (const unsigned char*)"\xFFWPC\x10\0\0\0\x01\x0A\0\x01";
  doc.size = 12;
  CHECK(Extract(&doc, &text, &n) == FLT_ERR_FORMAT);
  free(text);

  free(utf8);
  free(wide);
  free(streamed);
  free(bytes);
  if (failures) return 1;
  printf("c_host: all checks passed\n");
  return 0;
}
