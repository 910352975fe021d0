// Text from release servers and the registry: version.txt, redirect and source
// URLs, service command lines and registry string values. Each parser must
// accept or refuse any bytes without reading outside them. (HTTP headers and
// proxy settings: fuzz_network_text.)
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/link_scheme.h"
#include "fetch/release_urls.h"
#include "fetch/release_version.h"
#include "host/host_handoff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReleaseVersion version;
  if (parseReleaseVersionText(data, size, version)) {
    buildVersionedUrl(L"https://example.test/r/latest/download", version, L"version.txt");
  }
  versionFromFixedFileInfo(data, size);

  std::wstring wide;
  for (size_t i = 0; i + 1 < size; i += 2) wide.push_back(wchar_t(data[i] | data[i + 1] << 8));
  hostOfUrl(wide);
  const std::wstring executable = executableFromServiceCommandLine(wide);
  if (executable.size() > wide.size()) __builtin_trap();

  std::wstring text;
  if (size >= 1 && acceptRegistryText(data[0] % 3, data + 1, uint32_t(size - 1), text) == 0 &&
      text.size() * 2 >= size) {
    __builtin_trap();  // the text never includes its terminator
  }
  return 0;
}
