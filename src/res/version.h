#pragma once
// The program's own version, shared by the version resource and the release tool.
#define NORVANE_VERSION_MAJOR 0
#define NORVANE_VERSION_MINOR 1
#define NORVANE_VERSION_BUILD 325
#define NORVANE_VERSION_REVISION 0
#define NORVANE_VERSION_TEXT "0.1.325.0"
