#include "fetch/cancel_hook.h"

#include "fetch/fetch.h"

namespace {
thread_local const std::atomic<bool>* cancelHook = nullptr;
}

void setCancelHook(const std::atomic<bool>* cancelFlag) { cancelHook = cancelFlag; }

bool isFetchCancelled() { return cancelHook != nullptr && cancelHook->load(); }
