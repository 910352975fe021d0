#pragma once
// The release sources of this run, in the order they are asked. Win32.
#include "fetch/source_order.h"

// Primary then secondary, or the other way round when pinned roots come first.
ReleaseSourceList buildReleaseSources();

// buildReleaseSources with the source that served version.txt in the last
// five minutes moved to the front.
ReleaseSourceList sourcesForInstaller();
