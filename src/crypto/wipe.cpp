#include "crypto/wipe.h"

#include <cstdint>

void wipeMemory(void* data, size_t length) {
  // Stores through a volatile pointer count as observable behaviour, so they
  // survive dead-store elimination even when the memory is freed right after.
  volatile uint8_t* bytes = static_cast<volatile uint8_t*>(data);
  for (size_t i = 0; i < length; ++i) bytes[i] = 0;
}
