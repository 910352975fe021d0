#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <vector>

#include "fetch/cert_handles_win.h"
#include "fetch/fetch_state.h"
#include "fetch/pinned_roots.h"
#include "fetch/pinned_trust_win.h"
#include "host/log.h"

namespace {

// No network retrieval and no automatic root update while building chains.
constexpr DWORD kChainFlags = CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL | CERT_CHAIN_DISABLE_AUTH_ROOT_AUTO_UPDATE;
constexpr DWORD kUntrustedRoot = CERT_TRUST_IS_UNTRUSTED_ROOT;
char kServerAuthUsage[] = szOID_PKIX_KP_SERVER_AUTH;

constexpr wchar_t kNoIsrgRootX1[] = L"이 PC 는 ISRG Root X1 을 모른다. 고정 루트로 확인한다";
constexpr wchar_t kPinnedAccepted[] = L"고정 루트로 받아들였다: %s (%s)";

// The pinned roots in memory (FetchState::pinnedRootStore).
HCERTSTORE pinnedRootStore() {
  return fetchState().pinnedRootStore.get([]() -> void* {
    HCERTSTORE made = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (made == nullptr) return made;
    for (const PinnedRoot& root : pinnedRootRows()) {
      // A root that cannot be added is skipped: chains to it are rejected.
      CertAddEncodedCertificateToStore(made, X509_ASN_ENCODING, root.certificate, root.length, CERT_STORE_ADD_ALWAYS,
                                       nullptr);
    }
    return made;
  });
}

const char* matchedRootName(PCCERT_CHAIN_CONTEXT chain) {
  const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
  PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
  const int row = matchPinnedRoot(top->pbCertEncoded, top->cbCertEncoded);
  return row < 0 ? nullptr : pinnedRootRows()[size_t(row)].name;
}

ChainFacts sslPolicyFacts(PCCERT_CHAIN_CONTEXT chain, const std::wstring& host) {
  std::vector<wchar_t> serverName(host.begin(), host.end());
  serverName.push_back(L'\0');
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra = {};
  extra.cbSize = sizeof extra;
  extra.dwAuthType = AUTHTYPE_SERVER;
  extra.fdwChecks = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
  extra.pwszServerName = serverName.data();
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof policy;
  policy.dwFlags = CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG;
  policy.pvExtraPolicyPara = &extra;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof status;
  const bool called = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
  ChainFacts facts;
  facts.policyPassed = called && status.dwError == 0;
  facts.policyError = called ? status.dwError : 0;
  // Wine passes the policy for a partial chain, so the chain's own status
  // is always looked at too.
  facts.chainErrorStatus = chain->TrustStatus.dwErrorStatus;
  facts.matchedRootName = matchedRootName(chain);
  return facts;
}

}  // namespace

bool isRootKnownToSystem(size_t row) {
  if (row >= kPinnedRootCount) return false;
  const PinnedRoot& root = PinnedRootTable[row];
  ScopedCertContext certificate(CertCreateCertificateContext(X509_ASN_ENCODING, root.certificate, root.length));
  if (!certificate) return false;
  CERT_CHAIN_PARA parameters = {};
  parameters.cbSize = sizeof parameters;
  PCCERT_CHAIN_CONTEXT built = nullptr;
  const bool called =
      CertGetCertificateChain(nullptr, certificate.get(), nullptr, nullptr, &parameters, kChainFlags, nullptr, &built);
  ScopedCertChain chain(built);
  return called && chain && (chain.get()->TrustStatus.dwErrorStatus & kUntrustedRoot) == 0;
}

bool pinnedRootsFirst() {
  return fetchState().pinnedRootsFirst.get([] {
    OSVERSIONINFOEXW windows8 = {};
    windows8.dwOSVersionInfoSize = sizeof windows8;
    windows8.dwMajorVersion = 6;
    windows8.dwMinorVersion = 2;
    windows8.wServicePackMajor = 0;
    const DWORD mask = VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR;
    DWORDLONG conditions = 0;
    conditions = VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    if (VerifyVersionInfoW(&windows8, mask, conditions)) return false;
    if (isRootKnownToSystem(0)) return false;
    writeLog(kNoIsrgRootX1);
    return true;
  });
}

RootCheckVerdict checkServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host, std::wstring* message) {
  std::wstring text;
  const RootCheckVerdict verdict = [&] {
    if (certificate == nullptr || host.empty()) {
      text = L"서버 인증서가 없다";
      return RootCheckVerdict::Rejected;
    }
    ScopedCertStore collection(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!collection) {
      text = L"저장소를 열지 못했다";
      return RootCheckVerdict::Rejected;
    }
    if (HCERTSTORE pinned = pinnedRootStore()) CertAddStoreToCollection(collection.get(), pinned, 0, 0);
    // The intermediates that the server sent travel in the certificate's store.
    if (certificate->hCertStore != nullptr) CertAddStoreToCollection(collection.get(), certificate->hCertStore, 0, 0);

    CERT_CHAIN_PARA parameters = {};
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    LPSTR usages[] = {kServerAuthUsage};
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT built = nullptr;
    const bool called = CertGetCertificateChain(nullptr, certificate, nullptr, collection.get(), &parameters,
                                                kChainFlags, nullptr, &built);
    ScopedCertChain chain(built);
    collection.reset();
    if (!called || !chain || chain.get()->cChain == 0 || chain.get()->rgpChain[0]->cElement == 0) {
      text = L"사슬을 세우지 못했다";
      return RootCheckVerdict::Rejected;
    }
    return decideRootVerdict(sslPolicyFacts(chain.get(), host), text);
  }();
  if (message != nullptr) *message = text;
  return verdict;
}

std::wstring hostOfRequest(HINTERNET request, const TransferContext& context) {
  DWORD bytes = 0;
  WinHttpQueryOption(request, WINHTTP_OPTION_URL, nullptr, &bytes);
  if (bytes == 0) return context.connectedHost;
  std::vector<wchar_t> url(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryOption(request, WINHTTP_OPTION_URL, url.data(), &bytes)) return context.connectedHost;
  URL_COMPONENTS components = {};
  components.dwStructSize = sizeof components;
  components.dwHostNameLength = DWORD(-1);
  if (!WinHttpCrackUrl(url.data(), 0, 0, &components) || components.lpszHostName == nullptr) return {};
  return std::wstring(components.lpszHostName, components.dwHostNameLength);
}

void checkCertificateAtSending(HINTERNET request, TransferContext& context) {
  const std::wstring host = hostOfRequest(request, context);
  PCCERT_CONTEXT received = nullptr;
  DWORD bytes = sizeof received;
  if (host.empty() || !WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &received, &bytes) ||
      received == nullptr) {
    context.pinCheckFailed = true;
    context.failureDetail = host + L": 서버 인증서를 읽지 못했다";
    return;
  }
  ScopedCertContext certificate(received);
  std::wstring message;
  const RootCheckVerdict verdict = checkServerCertificate(certificate.get(), host, &message);
  certificate.reset();
  ++context.certificatesChecked;
  if (verdict == RootCheckVerdict::Rejected) {
    context.pinCheckFailed = true;
    context.failureDetail = host + L": " + message;
  } else if (verdict == RootCheckVerdict::AcceptedByPinnedRoot && fetchState().pinnedHostsLogged.firstTime(host)) {
    writeLog(kPinnedAccepted, host.c_str(), message.c_str());
  }
}
