// The command line comes from whoever starts us (a web page through the link
// scheme included): arguments split at NUL bytes of the input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ArgumentList arguments;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.push_back(current);
      current.clear();
    } else {
      current.push_back(char(data[i]));
    }
  }
  arguments.push_back(current);
  LaunchOptions options;
  if (parseCommandLineArguments(arguments, "payload-slug", options)) {
    // An accepted run forwards only what the rules allow: no quote can escape
    // the argument string that is handed to the next program.
    size_t quotes = 0;
    for (wchar_t c : options.forwardedArguments) quotes += c == L'"';
    if (quotes != 0 && quotes != 2) __builtin_trap();
    if (!isValidTenantSlug(options.tenantSlug)) __builtin_trap();
  }
  return 0;
}
