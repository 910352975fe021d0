#include "cli.h"

int runStamp(const std::vector<std::string>& arguments);
int runBundle(const std::vector<std::string>& arguments);
int runInspect(const std::vector<std::string>& arguments);
int runKeygen(const std::vector<std::string>& arguments);
int runSign(const std::vector<std::string>& arguments);
int runVerify(const std::vector<std::string>& arguments);
int runPublish(const std::vector<std::string>& arguments);
int runTenant(const std::vector<std::string>& arguments);

const std::vector<Command>& allCommands() {
  static const std::vector<Command> commands = {
      {"stamp", "norvane-pack stamp --download-id ID --tenant SLUG IN.exe OUT.exe", runStamp},
      {"bundle", "norvane-pack bundle --bits 32|64 --file NAME=PATH [--file ...] IN.exe OUT.exe", runBundle},
      {"inspect", "norvane-pack inspect FILE", runInspect},
      {"keygen", "norvane-pack keygen --secret-out FILE [--seed-hex HEX64]\n"
                 "    writes the 32-byte secret seed (mode 0600) and prints the public key as 64 hex characters",
       runKeygen},
      {"sign", "norvane-pack sign --secret FILE IN [--out SIG]\n"
               "    writes the 64-byte detached signature of IN (default IN.sig)",
       runSign},
      {"verify", "norvane-pack verify --public HEX64 IN SIG\n"
                 "    exit 0 when SIG is a valid signature of IN under the key, 1 when not",
       runVerify},
      {"publish", "norvane-pack publish --secret FILE --version X.Y.Z --x64 PATH --x86 PATH OUT_DIR\n"
                  "    signs both installers and lays out download/vX.Y.Z/ and latest/download/ (with version.txt)",
       runPublish},
      {"tenant", "norvane-pack tenant --secret FILE --id HEX32 --slug SLUG --name NAME --text TEXT [--header N]\n"
                 "    [--value1 HEX64] [--value2 HEX64] [--value3 HEX64] --out-dir DIR\n"
                 "    writes the signed 512-byte tenant file DIR/<id>.cfg; NAME is UTF-8, stored as UTF-16LE",
       runTenant},
  };
  return commands;
}
