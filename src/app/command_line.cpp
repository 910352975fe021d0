#include "app/command_line.h"

#include <array>
#include <string_view>

namespace {

constexpr std::string_view kUriOption = "--uri";
constexpr std::string_view kBackgroundOption = "--background";
constexpr std::string_view kTenantOption = "--tenant";
constexpr std::string_view kTenantAttachedOption = "--tenant=";
constexpr std::array<std::string_view, 2> kOpenLinkPrefixes = {"norvane://open?tenant=", "norvane://open/?tenant="};
constexpr std::wstring_view kOpenLinkArgumentPrefix = L"--uri \"norvane://open?tenant=";

constexpr std::string_view kSlugAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789-";
constexpr std::string_view kRequestedTenantAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-";

using ByteTable = std::array<bool, 256>;

constexpr ByteTable tableOf(std::string_view alphabet) {
  ByteTable table{};
  for (char c : alphabet) table[static_cast<unsigned char>(c)] = true;
  return table;
}

constexpr ByteTable kSlugBytes = tableOf(kSlugAlphabet);
constexpr ByteTable kRequestedTenantBytes = tableOf(kRequestedTenantAlphabet);

bool allBytesIn(const std::string& text, const ByteTable& table) {
  for (char c : text) {
    if (!table[static_cast<unsigned char>(c)]) return false;
  }
  return true;
}

}  // namespace

bool isValidTenantSlug(const std::string& slug) {
  using namespace command_line_limits;
  if (slug.size() < kMinSlugLength || slug.size() > kMaxSlugLength) return false;
  if (slug.front() == '-') return false;
  return allBytesIn(slug, kSlugBytes);
}

bool isValidRequestedTenant(const std::string& tenant) {
  return tenant.size() <= command_line_limits::kMaxRequestedTenantLength && allBytesIn(tenant, kRequestedTenantBytes);
}

std::wstring widenBytes(const std::string& text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (char c : text) wide.push_back(wchar_t(static_cast<unsigned char>(c)));
  return wide;
}

bool tenantFromOpenLink(const std::string& link, LaunchOptions& options) {
  options.tenantSlug.clear();
  for (std::string_view prefix : kOpenLinkPrefixes) {
    if (!std::string_view(link).starts_with(prefix)) continue;
    std::string tenant = link.substr(prefix.size());
    if (!isValidTenantSlug(tenant)) return false;
    options.tenantSlug = std::move(tenant);
    return true;
  }
  return false;
}

bool parseOpenLinkArguments(const ArgumentList& arguments, LaunchOptions& options) {
  options.tenantSlug.clear();
  if (arguments.size() != 2 || arguments[0] != kUriOption) return false;
  return tenantFromOpenLink(arguments[1], options);
}

std::wstring buildOpenLinkArgument(const LaunchOptions& options) {
  if (!isValidTenantSlug(options.tenantSlug)) return {};
  std::wstring argument(kOpenLinkArgumentPrefix);
  argument += widenBytes(options.tenantSlug);
  argument += L'"';
  return argument;
}

bool parseCommandLineArguments(const ArgumentList& arguments, const std::string& payloadSlug, LaunchOptions& options) {
  options.tenantSlug = payloadSlug;

  for (const std::string& argument : arguments) {
    if (argument != kUriOption) continue;
    if (!parseOpenLinkArguments(arguments, options)) return false;
    options.forwardedArguments = buildOpenLinkArgument(options);
    return true;
  }

  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == kBackgroundOption && !options.background) {
      options.background = true;
    } else if (argument == kTenantOption && i + 1 < arguments.size()) {
      options.requestedTenant = arguments[++i];
    } else if (std::string_view(argument).starts_with(kTenantAttachedOption)) {
      options.requestedTenant = argument.substr(kTenantAttachedOption.size());
    } else {
      return false;
    }
    if (!options.requestedTenant.empty() && !isValidRequestedTenant(options.requestedTenant)) return false;
  }

  if (!options.requestedTenant.empty()) options.forwardedArguments = L"--tenant=" + widenBytes(options.requestedTenant);
  if (options.background) options.forwardedArguments += L" --background";
  return true;
}
