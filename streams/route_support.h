// What the three loading routes share: interface pointers that are released on
// every way out of a step, and document paths widened for the filter server.
#pragma once

#include "host/stream_info.h"
#include "platform/com.h"

// Holds one reference for the length of a step.
template <class T>
class InterfacePtr {
 public:
  InterfacePtr() = default;
  ~InterfacePtr() { Reset(); }
  InterfacePtr(const InterfacePtr&) = delete;
  InterfacePtr& operator=(const InterfacePtr&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  // The slot for an out-parameter (QueryInterface and the like); drops what was held.
  void** out() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  T** outTyped() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (p_) {
      T* p = p_;
      p_ = nullptr;
      p->Release();
    }
  }

 private:
  T* p_ = nullptr;
};

// Widens a narrow path byte by byte: each byte becomes the UTF-16 unit of the
// same value, whatever the code page; the server's side undoes exactly that.
// At most FLT_MAX_PATH - 1 bytes are taken, and the result is always terminated.
void WidenPath(const char* narrow, OLECHAR (&wide)[FLT_MAX_PATH]);
