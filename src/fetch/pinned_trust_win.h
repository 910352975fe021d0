#pragma once
// Checking server chains against the pinned roots with CryptoAPI. Win32.
#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <cstddef>
#include <string>

#include "fetch/transfer.h"

// True on systems older than Windows 8 whose store lacks ISRG Root X1;
// decided once per process (FetchState::pinnedRootsFirst).
bool pinnedRootsFirst();

// Whether the system trusts the root of row `row` of the pinned table.
bool isRootKnownToSystem(size_t row);

// The server certificate with the intermediates it came with, checked for
// the SSL policy (host name, dates, usage) and a trusted or pinned root.
RootCheckVerdict checkServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host, std::wstring* message);

// The pinned check while the request is being sent: records the verdict in
// the request's context.
void checkCertificateAtSending(HINTERNET request, TransferContext& context);

// Host name of the request's URL; the host it was opened for when WinHTTP
// cannot say (Wine has no WINHTTP_OPTION_URL); empty when neither is known.
std::wstring hostOfRequest(HINTERNET request, const TransferContext& context);
