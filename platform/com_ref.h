// Owning pointer to a component object: one reference, released on reset or
// destruction. The one interface-pointer holder of the code base; holders of a
// filter server's interfaces release through the fault guard (see
// platform/guard.h, GuardedReleaser).
#pragma once

#include <utility>

namespace platform {

// Lets go of a reference by calling Release.
struct PlainRelease {
  template <class T>
  void operator()(T* p) const {
    p->Release();
  }
};

template <class T, class Releaser = PlainRelease>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference the caller already holds.
  explicit ComRef(T* p) : p_(p) {}
  ComRef(const ComRef& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComRef(ComRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComRef& operator=(ComRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComRef() { reset(); }

  // Adds a reference of its own.
  static ComRef Share(T* p) {
    if (p) p->AddRef();
    return ComRef(p);
  }
  void reset() {
    if (p_) Releaser()(std::exchange(p_, nullptr));
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held, then exposes the slot.
  T** put() {
    reset();
    return &p_;
  }
  // The same slot for calls that take void** (QueryInterface and the like).
  void** put_void() { return reinterpret_cast<void**>(put()); }
  // Passes the reference to the caller, or drops a pointer that is no
  // reference (what a failed call left in its out parameter).
  T* detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

}  // namespace platform
