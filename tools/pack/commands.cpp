#include "cli.h"

int runStamp(const std::vector<std::string>& arguments);
int runBundle(const std::vector<std::string>& arguments);
int runInspect(const std::vector<std::string>& arguments);

const std::vector<Command>& allCommands() {
  static const std::vector<Command> commands = {
      {"stamp", "norvane-pack stamp --download-id ID --tenant SLUG IN.exe OUT.exe", runStamp},
      {"bundle", "norvane-pack bundle --bits 32|64 --file NAME=PATH [--file ...] IN.exe OUT.exe", runBundle},
      {"inspect", "norvane-pack inspect FILE", runInspect},
  };
  return commands;
}
