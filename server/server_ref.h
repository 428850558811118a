// A reference to an interface of the filter server, released through the fault
// guard: a server that throws or faults while letting go of an object must not
// take the host down.
#pragma once

#include "platform/guard.h"

template <class T>
class ServerRef {
 public:
  ServerRef() = default;
  ~ServerRef() { Reset(); }
  ServerRef(const ServerRef&) = delete;
  ServerRef& operator=(const ServerRef&) = delete;

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // The out-parameter of a call that hands out a reference.
  void** Put() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  void Reset() {
    if (T* p = p_) {
      p_ = nullptr;
      platform::GuardedRelease(p);
    }
  }
  // Passes the reference to the caller.
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  // A call that failed owns nothing it wrote into its out-parameter: it is not
  // released, as it may not be an object at all.
  void Forget() { p_ = nullptr; }

 private:
  T* p_ = nullptr;
};
