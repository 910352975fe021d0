// A signed, correctly versioned release file that is no program: a DLL. It
// passes every check of the fetch and then cannot be started.
extern "C" __declspec(dllexport) int fakeInstallerMarker() { return 0; }
