#pragma once
// The subcommands of norvane-pack and the small helpers they share.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Command {
  const char* name;
  const char* usage;    // one or more lines, shown by --help and after a usage error
  int (*run)(const std::vector<std::string>& arguments);
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& allCommands();

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Splits "--name value" options (and "--flag" switches listed in `switches`)
// from positional arguments. Unknown options, missing values and repeats are
// reported in `error`.
struct ParsedArguments {
  std::map<std::string, std::string> options;
  std::vector<std::string> positionals;
  std::string error;
};
ParsedArguments parseArguments(const std::vector<std::string>& arguments, const std::vector<std::string>& valueOptions,
                               const std::vector<std::string>& switches = {});

// Prints "norvane-pack NAME: MESSAGE" and the command's usage to stderr; returns 2.
int usageError(const char* commandName, const std::string& message);
// Prints "norvane-pack NAME: MESSAGE" to stderr; returns 1.
int failure(const char* commandName, const std::string& message);

bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error,
                    bool ownerOnly = false);

