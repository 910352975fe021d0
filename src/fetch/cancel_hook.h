#pragma once
// The thread-local way by which the user's cancel request reaches the
// transfers of fetchInstaller without passing through every call.
#include <atomic>

// Null (the default on every thread) means no cancel request can arrive.
void setCancelHook(const std::atomic<bool>* cancelFlag);

// Sets the hook for its lifetime and clears it on every way out.
class ScopedCancelHook {
 public:
  explicit ScopedCancelHook(const std::atomic<bool>* cancelFlag) { setCancelHook(cancelFlag); }
  ~ScopedCancelHook() { setCancelHook(nullptr); }
  ScopedCancelHook(const ScopedCancelHook&) = delete;
  ScopedCancelHook& operator=(const ScopedCancelHook&) = delete;
};
