#pragma once
// One transfer's request and result, and the rules it follows apart from
// WinHTTP and CryptoAPI: the body's length and progress, continuing a body
// that broke off, the trust decisions and their fallback, and the user's
// proxy as a second way out.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>


// Called with 0..100 after each received piece of the installer, only when
// the server declared the length.
using ProgressCallback = void (*)(int32_t percent, void* context);

inline constexpr uint32_t kVersionFileLimit = 64;
inline constexpr wchar_t kUserAgent[] = L"Norvane";  // every WinHTTP session of the program
inline constexpr uint32_t kSignatureFileLimit = 1024;
inline constexpr uint32_t kInstallerLimit = 67108864;     // 64 MiB
inline constexpr uint32_t kSmallFileReceiveTimeoutMs = 5000;
inline constexpr uint32_t kInstallerReceiveTimeoutMs = 60000;
inline constexpr uint32_t kResolveTimeoutMs = 3000;
inline constexpr uint32_t kConnectTimeoutMs = 3000;
inline constexpr uint32_t kSendTimeoutMs = 3000;
inline constexpr int32_t kMaxRedirects = 5;               // followed after the first request, pinned mode
inline constexpr uint32_t kPieceBytes = 65536;            // one WinHttpReadData
inline constexpr uint32_t kDiskSliceBytes = 1048576;      // one WriteFile / ReadFile of the staged file
inline constexpr uint32_t kContentLengthChars = 32;
inline constexpr uint32_t kValidatorChars = 256;           // ETag or Last-Modified text
inline constexpr uint32_t kContentRangeChars = 96;
inline constexpr uint32_t kHttpDateChars = 64;             // Date or Last-Modified text
// The configured PAC script and automatic detection each get this much, per
// host and run: a script server that accepts and never answers, or a network
// without WPAD, costs this much, not minutes.
inline constexpr uint32_t kProxyScriptDeadlineMs = 4000;
inline constexpr uint32_t kProxyDetectionDeadlineMs = 4000;
// Valid entries of a PAC answer that are tried, in order.
inline constexpr size_t kMaxScriptRoutes = 3;
// A Last-Modified this long before the answer's Date is a strong validator
// (RFC 9110 8.8.2.2): the file cannot have changed twice within it unseen.
inline constexpr int64_t kStrongDateMarginSeconds = 60;

// One file as the release fetch asks for it.
struct DownloadRequest {
  std::wstring url;
  uint32_t limit = 0;  // largest body accepted, in bytes
  uint32_t receiveTimeoutMs = 0;
  ProgressCallback progress = nullptr;  // the installer only
  void* progressContext = nullptr;
};

// The start of a body that broke off, with what identifies the whole file.
struct PartialDownload {
  std::wstring url;
  std::wstring validator;  // the first response's strong ETag, else its strong Last-Modified, as sent
  uint64_t total = 0;      // the whole file's declared length
  uint64_t stored = 0;     // how many bytes of the start are kept
  // The file holding them (parkBytes); it goes with its last owner.
  std::shared_ptr<void> parked;

  // Only a known length and a validator let the rest be asked for safely.
  bool canContinue() const { return stored != 0 && total > stored && !validator.empty(); }
};

// One HTTPS GET in one trust mode along one route.
// Normal mode: the system's TLS checks decide and WinHTTP follows redirects.
// Pinned mode: unknown roots pass the handshake, every server certificate is
// checked against the pinned roots before the body is read, and each redirect
// (at most redirectsLeft) is a new checked transfer.
struct TransferRequest {
  DownloadRequest download;
  bool pinnedMode = false;
  int32_t redirectsLeft = kMaxRedirects;
  std::wstring proxy;                  // "host:port" of a named proxy; empty: WinHTTP's default setting
  PartialDownload* partial = nullptr;  // bytes to ask the rest for; emptied once answered
};

// What became of one transfer, and what it tells the fallbacks around it.
struct TransferResult {
  bool done = false;  // the whole body is in `body`
  std::vector<uint8_t> body;
  bool secureFailureSeen = false;  // the request failed on a TLS failure
  bool notPinnedChain = false;     // the pinned check rejected the server's chain
  uint32_t exchangeError = 0;      // the error of a failed send or receive, before any response
  bool answered = false;           // a response arrived, whatever its status
  bool bodyBrokeOff = false;       // the body ended early; what arrived is in `body`
  bool proxyLogonRefused = false;  // a 407 this program cannot or may not answer
  std::wstring validator;          // the response's strong validator (resumeValidator)
  uint64_t total = 0;              // the whole file's declared length
};

// --- The body -------------------------------------------------------------

// Content-Length text as the standard conversion reads it: leading blanks
// skipped, stops at the first non-digit, 0 without digits, the largest value
// on overflow. 0 means unknown.
uint64_t declaredLengthFromHeader(const wchar_t* text);

bool isRedirectStatus(uint32_t status);

// The declared length against the limit before any byte, the running total
// before each append, the end of the body against the declared length, and
// progress.
class BodyReceiver {
 public:
  BodyReceiver(std::vector<uint8_t>& body, uint32_t limit, uint64_t declaredLength, ProgressCallback progress,
               void* progressContext);

  // Before the body: false (logged) when the declared length passes the
  // limit; otherwise room for the declared length is reserved.
  bool acceptDeclaredLength();
  // One received piece: false (logged) when the total would pass the limit or
  // the declared length; otherwise appended and progress reported.
  bool append(const uint8_t* piece, uint32_t count);
  // After the server ended the body: false (logged) when it is empty or
  // shorter than declared.
  bool finish() const;

 private:
  std::vector<uint8_t>& body_;
  uint32_t limit_;
  uint64_t declaredLength_;
  ProgressCallback progress_;
  void* progressContext_;
};

// --- Continuing a body that broke off ---------------------------------------

// The validator headers of an answer, as received.
struct ResponseValidators {
  std::wstring etag;
  std::wstring lastModified;
  std::wstring date;
};

// An entity tag in its strong form: '"', characters other than '"', '"'.
// A weak tag (W/"...") or bare text does not count.
bool isStrongEtag(const std::wstring& etag);

// What If-Range may carry: a strong ETag, else a Last-Modified at least
// kStrongDateMarginSeconds before the answer's Date. Empty when there is no
// strong validator, so the body cannot be continued.
std::wstring resumeValidator(const ResponseValidators& validators);

// Seconds since 1970 of an HTTP date in any of its three forms (IMF-fixdate,
// RFC 850, asctime); false when the text is none of them.
bool parseHttpDate(const std::wstring& text, int64_t& seconds);

// "Range: bytes=N-" and "If-Range: <validator>", as extra request headers.
std::wstring resumeHeaders(const PartialDownload& partial);

// A 206 whose Content-Range is exactly "bytes <stored>-<total - 1>/<total>"
// continues the stored bytes; any other answer (a 200 for a changed file, a
// wrong range or total) does not.
bool continuesPartial(uint32_t status, const std::wstring& contentRange, uint64_t stored, uint64_t total);

// A 206 is of the same file only when it carries the kept validator itself:
// the same ETag where an ETag was kept, else the same Last-Modified. A server
// that ignored If-Range would otherwise splice two files.
bool sameEntityAsKept(const std::wstring& keptValidator, const ResponseValidators& answer);

// What an answer to "the rest, if unchanged" means for the kept bytes.
enum class ContinuationAnswer {
  Continues,  // the exact rest of the same file: append it
  WholeFile,  // 200: the whole file follows; the kept bytes go
  AskAgain,   // a 206 that does not fit, or 416: the kept bytes go, the whole file is asked for
  Refused,    // any other status, judged as a plain answer would be
};
ContinuationAnswer judgeContinuation(uint32_t status, const std::wstring& contentRange,
                                     const ResponseValidators& answer, const PartialDownload& kept);

// --- Trust ----------------------------------------------------------------

enum class RootCheckVerdict { TrustedBySystem = 0, AcceptedByPinnedRoot = 1, Rejected = 2 };

inline constexpr uint32_t kChainUntrustedRoot = 0x00000020;  // CERT_TRUST_IS_UNTRUSTED_ROOT
inline constexpr size_t kVerdictMessageChars = 96;

// What CryptoAPI said about one server chain.
struct ChainFacts {
  bool policyPassed = false;      // CertVerifyCertificateChainPolicy succeeded with error 0
  uint32_t policyError = 0;       // its status error; 0 when the call itself failed
  uint32_t chainErrorStatus = 0;  // the chain's trust error status
  const char* matchedRootName = nullptr;  // the pinned row byte-identical to the top certificate
};

// A chain passes when the policy passed and it is either fully trusted or its
// only error is an untrusted root that is one of the pinned ones.
RootCheckVerdict decideRootVerdict(const ChainFacts& facts, std::wstring& message);

// "0x" and eight lowercase hex digits, as "0x%08lx" prints.
std::wstring hex32(uint32_t value);

// One transfer in the given mode (true: pinned).
using TrustTransfer = std::function<TransferResult(bool pinnedMode)>;

// At most two transfers: the first in the preferred mode and, only when it
// failed for a trust reason (normal mode: a TLS failure; pinned mode: a
// rejected chain), one in the other mode. The result is the last transfer's.
TransferResult runWithTrustFallback(bool pinnedFirst, const TrustTransfer& transfer);

// --- The user's proxy -----------------------------------------------------

// Name not resolved, cannot connect, connection reset or aborted, time-out:
// what a network that only lets a proxy out looks like from inside.
bool couldProxyExplain(uint32_t winhttpError);

// The routes of a PAC answer as WinHTTP gives it, in order: at most
// kMaxScriptRoutes valid entries, each "host:port" of a proxy that serves
// https, or empty for DIRECT. Entries may carry "PROXY " (as the script wrote
// them) or a scheme ("https=host:port"; other schemes do not serve https).
std::vector<std::wstring> scriptRoutes(const std::wstring& proxyList);

// The entry of a WinHTTP proxy list that serves https: "https=host:port" first,
// else an entry without a scheme ("host:port"); entries are separated by ';'
// or blanks. Empty when none serves https.
std::wstring httpsProxyOf(const std::wstring& proxyList);

// "host:port" of one proxy entry: the scheme prefix, everything up to the
// last '@' (credentials, whatever characters they hold) and any path go;
// port 80 when none is given. Empty unless a plain host name, IPv4 address
// or bracketed IPv6 address and a numeric port 1..65535 are left: only this
// is what the session is opened with and what the log may show.
std::wstring proxyHostPort(const std::wstring& entry);

// Whether `host` (a URL's host, with or without ":port") is on the bypass
// list for a request of `scheme`: entries separated by ';', ',' or blanks,
// "<local>" for names without a dot, '*' for any run of characters, a leading
// '.' for every subdomain, case-insensitive; an entry's scheme prefix limits
// it to that scheme, a port on an entry is ignored, and so is the host's
// port; a bare IPv6 entry matches the bracketed host.
bool isBypassed(const std::wstring& host, const std::wstring& bypassList, const std::wstring& scheme = L"https");

// The lower-case host name of a URL, without its port: what proxy routes
// are kept by.
std::wstring hostNameOfUrl(const std::wstring& url);

// What automatic detection and the PAC script said for one URL.
enum class ScriptAnswer { None, Direct, Proxy };

// The user's settings (as Windows' Internet settings hold them) and what
// their scripts said for one URL.
struct UserProxyFacts {
  ScriptAnswer script = ScriptAnswer::None;  // None: no script, or it failed or ran out of time
  std::wstring scriptProxyList;              // the script's list when it named proxies
  std::wstring fixedList;                    // the fixed proxy list; empty when none is set
  std::wstring bypassList;                   // the fixed proxy's bypass list
};

// The routes the user's settings give for an https request to `host`, in
// order: "host:port" of a proxy, empty for the direct route. A script's answer
// is final (its DIRECT too); only when no script answered does the fixed
// proxy serve hosts off its bypass list.
std::vector<std::wstring> userProxyRoutes(const std::wstring& host, const UserProxyFacts& facts);

// A transfer along one route that never got a response, for a reason a
// route explains, so the next route deserves its one try.
bool failedBeforeAnyResponse(const TransferResult& result);

// A transfer that another route might still carry: one that failed before
// any response, or a proxy that asked for a logon this program cannot give.
bool worthAnotherRoute(const TransferResult& result);

class ProxyRoutes;

// The routes of the user's settings for a URL (userProxyRoutesFor).
using RouteLookup = std::function<std::vector<std::wstring>(const std::wstring& url)>;
// One transfer as asked, along the request's route.
using RouteTransfer = std::function<TransferResult(const TransferRequest& request)>;

// One transfer along the routes to its host, each tried after the one before
// failed before any response or its proxy wanted a logon we cannot give. A
// proxy that carried an earlier transfer to this host goes first, then the
// direct route once more (the network changed); otherwise the direct route
// goes first, then the routes of the user's settings, each at most once. A
// proxy that answered is remembered for the host, even when its body then
// broke off; a direct route that answered forgets it. The result is the last
// transfer's, with a TLS failure of any of them.
TransferResult transferAlongRoutes(TransferRequest request, ProxyRoutes& routes, const RouteLookup& lookUp,
                                   const RouteTransfer& transfer);

// --- Logging on to a proxy -------------------------------------------------

// WINHTTP_AUTH_SCHEME_* bits of a 407's Proxy-Authenticate schemes.
inline constexpr uint32_t kAuthBasic = 0x01;
inline constexpr uint32_t kAuthNtlm = 0x02;
inline constexpr uint32_t kAuthPassport = 0x04;
inline constexpr uint32_t kAuthDigest = 0x08;
inline constexpr uint32_t kAuthNegotiate = 0x10;

// The scheme that logs the signed-in user on to the proxy without asking:
// Negotiate before NTLM; 0 when the proxy offers neither (Basic and Digest
// would need a typed password, which is never asked for).
uint32_t proxyLogonScheme(uint32_t supportedSchemes);

// The name of the scheme the proxy wanted most, for the log: the logon
// scheme when there is one, else the first of the others it offered.
const wchar_t* authSchemeName(uint32_t supportedSchemes);
