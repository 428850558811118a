// Opens the input as a compound file and reads every stream of every storage,
// through the plain reader and, on POSIX, through IStorage/IStream over a
// movable memory block as the library does.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/storage/compound_file.h"
#ifndef _WIN32
#include "platform/com_ref.h"
#include "platform/storage.h"
#endif

namespace {

using namespace platform::cfb;

void ReadPlain(const std::uint8_t* data, std::size_t size) {
  Status status;
  auto file = CompoundFile::OpenMemory(data, size, &status);
  if (!file) return;
  std::vector<EntryId> storages{kRootEntry}, kids;
  std::vector<std::uint8_t> buf;
  for (std::size_t k = 0; k < storages.size(); ++k) {
    if (file->children(storages[k], &kids) != Status::kOk) continue;
    for (EntryId id : kids) {
      const DirEntry* e = file->entry(id);
      EntryId again = kNoEntry;
      if (file->find(storages[k], e->name, &again) != Status::kOk) __builtin_trap();
      if (e->isStorage()) {
        storages.push_back(id);
        continue;
      }
      StreamReader r;
      if (file->openStream(id, &r) != Status::kOk) continue;
      if (r.readAll(&buf) == Status::kOk && buf.size() != r.size()) __builtin_trap();
      // A read across the middle must agree with the whole.
      if (buf.size() > 2) {
        std::uint8_t part[700];
        std::size_t done = 0;
        const std::size_t at = buf.size() / 2 - 1;
        if (r.read(at, part, sizeof(part), &done) == Status::kOk &&
            std::memcmp(part, buf.data() + at, done) != 0) {
          __builtin_trap();
        }
      }
    }
  }
}

#ifndef _WIN32
using platform::ComRef;
constexpr DWORD kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;

void ReadCom(const std::uint8_t* data, std::size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!h) return;
  if (size) std::memcpy(GlobalLock(h), data, size);
  GlobalUnlock(h);
  ComRef<ILockBytes> bytes;
  if (FAILED(CreateILockBytesOnHGlobal(h, TRUE, bytes.put()))) {
    GlobalFree(h);
    return;
  }
  std::vector<ComRef<IStorage>> todo(1);
  if (FAILED(StgOpenStorageOnILockBytes(bytes.get(), nullptr, kRead, nullptr, 0, todo[0].put())))
    return;
  bytes.reset();
  std::vector<std::uint8_t> buf(4096);
  for (std::size_t k = 0; k < todo.size(); ++k) {
    ComRef<IEnumSTATSTG> e;
    if (FAILED(todo[k]->EnumElements(0, nullptr, 0, e.put()))) continue;
    STATSTG st;
    while (e->Next(1, &st, nullptr) == S_OK) {
      if (st.type == STGTY_STORAGE) {
        ComRef<IStorage> sub;
        if (SUCCEEDED(todo[k]->OpenStorage(st.pwcsName, nullptr, kRead, nullptr, 0, sub.put())))
          todo.push_back(std::move(sub));
      } else {
        ComRef<IStream> s;
        if (SUCCEEDED(todo[k]->OpenStream(st.pwcsName, nullptr, kRead, 0, s.put()))) {
          ULONG got = 0;
          while (SUCCEEDED(s->Read(buf.data(), ULONG(buf.size()), &got)) && got) {
          }
        }
      }
      CoTaskMemFree(st.pwcsName);
    }
  }
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadPlain(data, size);
#ifndef _WIN32
  ReadCom(data, size);
#endif
  return 0;
}
