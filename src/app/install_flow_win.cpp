#include "app/install_flow.h"

int runInstallFlow(HINSTANCE, const std::string&, const LaunchOptions&) {
  // The hand-off and the fetch arrive with the install flow; until then an
  // accepted run ends here without doing anything.
  return 1;
}
