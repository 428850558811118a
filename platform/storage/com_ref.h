// Owning pointer to a component object: one reference, released on reset or
// destruction.
#pragma once

#include <utility>

namespace platform {

template <class T>
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
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held, then exposes the slot.
  T** put() {
    reset();
    return &p_;
  }
  T* detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

}  // namespace platform
