#include <windows.h>
#include <shellapi.h>

#include "app/command_line.h"
#include "host/handles_win.h"

namespace {

ArgumentList splitProcessCommandLine() {
  ArgumentList arguments;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return arguments;  // an unsplittable command line counts as no options
  const ScopedLocalMemory owner(argv);
  for (int i = 1; i < count; ++i) {
    std::string utf8;
    const int needed = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    if (needed >= 2) {
      utf8.assign(size_t(needed), '\0');
      WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, utf8.data(), needed, nullptr, nullptr);
      utf8.resize(size_t(needed) - 1);
    }
    arguments.push_back(std::move(utf8));
  }
  return arguments;
}

}  // namespace

const ArgumentList& commandLineArguments() {
  static const ArgumentList arguments = splitProcessCommandLine();
  return arguments;
}

bool parseCommandLine(const std::string& payloadSlug, LaunchOptions& options) {
  return parseCommandLineArguments(commandLineArguments(), payloadSlug, options);
}
