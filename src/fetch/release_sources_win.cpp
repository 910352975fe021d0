#include <windows.h>

#include "fetch/fetch.h"
#include "fetch/pinned_trust.h"
#include "fetch/release_servers.h"
#include "fetch/release_sources.h"
#include "fetch/source_walk.h"
#include "fetch/transfer.h"

ReleaseSourceList buildReleaseSources() {
  return orderReleaseSources(primaryReleaseUrl(), secondaryReleaseUrl(), pinnedRootsFirst());
}

ReleaseSourceList sourcesForInstaller() {
  ReleaseSourceList sources = buildReleaseSources();
  promoteSource(sources, lastGoodSource().recent(GetTickCount64()));
  return sources;
}

bool fetchReleaseVersion(ReleaseVersion& version) {
  std::wstring servedBy;
  if (!fetchVersionFromSources(buildReleaseSources(), downloadWithTrustFallback, version, servedBy)) return false;
  lastGoodSource().remember(servedBy, GetTickCount64());
  return true;
}
