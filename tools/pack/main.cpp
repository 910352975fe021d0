// norvane-pack: the release engineer's tool for our program images.
#include <cstring>
#include <iostream>

#include "cli.h"

namespace {
void printHelp(std::ostream& out) {
  out << "norvane-pack: release tool for the Norvane online installer\n\ncommands:\n";
  for (const Command& command : allCommands()) out << "  " << command.usage << "\n";
}
bool isHelp(const char* argument) { return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0; }
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printHelp(std::cerr);
    return kExitUsage;
  }
  if (isHelp(argv[1])) {
    printHelp(std::cout);
    return kExitOk;
  }
  for (const Command& command : allCommands()) {
    if (std::strcmp(command.name, argv[1]) != 0) continue;
    if (argc == 3 && isHelp(argv[2])) {
      std::cout << "usage: " << command.usage << "\n";
      return kExitOk;
    }
    return command.run(std::vector<std::string>(argv + 2, argv + argc));
  }
  std::cerr << "norvane-pack: unknown command " << argv[1] << "\n";
  printHelp(std::cerr);
  return kExitUsage;
}
