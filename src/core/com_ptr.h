// COM on the calling thread, and the owner of one COM interface pointer.
#pragma once

#include <objbase.h>

namespace qz {

// COM on the calling thread, once per thread (the program's start does it on
// the GUI thread; a tool or a test thread may not have). The count is kept for
// the thread's life.
inline void EnsureCom() {
  thread_local bool done = false;
  if (done) return;
  done = true;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // S_FALSE / RPC_E_CHANGED_MODE: already set up
}

// Owns one interface pointer: released when replaced or destroyed.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  // For the out-parameter of a call: the old pointer is released first.
  T** put() {
    Reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace qz
