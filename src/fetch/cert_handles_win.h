#pragma once
// Scoped CryptoAPI objects: certificate contexts, stores and chains.
#include <windows.h>
#include <wincrypt.h>

#include "host/handles_win.h"

struct CertContextTraits {
  using Value = PCCERT_CONTEXT;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { CertFreeCertificateContext(v); }
};
struct CertStoreTraits {
  using Value = HCERTSTORE;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { CertCloseStore(v, 0); }
};
struct CertChainTraits {
  using Value = PCCERT_CHAIN_CONTEXT;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { CertFreeCertificateChain(v); }
};
using ScopedCertContext = ScopedResource<CertContextTraits>;
using ScopedCertStore = ScopedResource<CertStoreTraits>;
using ScopedCertChain = ScopedResource<CertChainTraits>;
