#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

constexpr char kPayloadSlug[] = "payload-slug";

struct Parsed {
  bool ok;
  LaunchOptions options;
};

Parsed parse(const ArgumentList& arguments) {
  Parsed parsed{false, {}};
  parsed.ok = parseCommandLineArguments(arguments, kPayloadSlug, parsed.options);
  return parsed;
}

// --- Slug syntax ---

TEST(TenantSlug, LengthFirstByteAndAlphabet) {
  EXPECT_TRUE(isValidTenantSlug("ab"));
  EXPECT_TRUE(isValidTenantSlug(std::string(31, 'z')));
  EXPECT_FALSE(isValidTenantSlug("a"));
  EXPECT_FALSE(isValidTenantSlug(std::string(32, 'z')));
  EXPECT_FALSE(isValidTenantSlug(""));
  EXPECT_FALSE(isValidTenantSlug("-acme"));
  EXPECT_TRUE(isValidTenantSlug("acme-"));
  EXPECT_TRUE(isValidTenantSlug("ac--me"));
  EXPECT_FALSE(isValidTenantSlug("Acme"));
  EXPECT_FALSE(isValidTenantSlug("ac_me"));
  EXPECT_FALSE(isValidTenantSlug("ac me"));
  EXPECT_FALSE(isValidTenantSlug(std::string("ac\0me", 5)));
  EXPECT_FALSE(isValidTenantSlug("ac\xC3\xA9"));
}

// --- Plain options ---

TEST(CommandLine, NoArgumentsKeepsThePayloadSlugAndForwardsNothing) {
  const Parsed p = parse({});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.options.tenantSlug, kPayloadSlug);
  EXPECT_TRUE(p.options.requestedTenant.empty());
  EXPECT_FALSE(p.options.background);
  EXPECT_TRUE(p.options.forwardedArguments.empty());
}

TEST(CommandLine, RequestedTenantKeepsCaseAndIsForwarded) {
  const Parsed p = parse({"--tenant", "Acme-Corp"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.options.requestedTenant, "Acme-Corp");
  EXPECT_EQ(p.options.tenantSlug, kPayloadSlug);
  EXPECT_EQ(p.options.forwardedArguments, L"--tenant=Acme-Corp");
}

TEST(CommandLine, AttachedTenantValueAndItsClearing) {
  EXPECT_TRUE(parse({"--tenant="}).options.forwardedArguments.empty());
  const Parsed cleared = parse({"--tenant=a", "--tenant="});
  ASSERT_TRUE(cleared.ok);
  EXPECT_TRUE(cleared.options.requestedTenant.empty());
  EXPECT_TRUE(cleared.options.forwardedArguments.empty());
  EXPECT_EQ(parse({"--tenant=a", "--tenant=b"}).options.requestedTenant, "b");
}

TEST(CommandLine, TenantValueIsTakenEvenWhenItLooksLikeAnOption) {
  const Parsed p = parse({"--tenant", "--background"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.options.requestedTenant, "--background");
  EXPECT_FALSE(p.options.background);
}

TEST(CommandLine, BackgroundIsForwardedAfterTheTenantInEitherOrder) {
  for (const ArgumentList& arguments : {ArgumentList{"--background", "--tenant=x"}, ArgumentList{"--tenant=x", "--background"}}) {
    const Parsed p = parse(arguments);
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.options.background);
    EXPECT_EQ(p.options.forwardedArguments, L"--tenant=x --background");
  }
  EXPECT_EQ(parse({"--background"}).options.forwardedArguments, L" --background");
}

TEST(CommandLine, RequestedTenantLengthAndAlphabet) {
  EXPECT_TRUE(parse({"--tenant=" + std::string(128, 'A')}).ok);
  EXPECT_FALSE(parse({"--tenant=" + std::string(129, 'A')}).ok);
  EXPECT_FALSE(parse({"--tenant=a_b"}).ok);
  EXPECT_FALSE(parse({"--tenant=a.b"}).ok);
  EXPECT_TRUE(parse({"--tenant=-x"}).ok);
  EXPECT_TRUE(parse({"--tenant=1"}).ok);
}

TEST(CommandLine, RejectedShapes) {
  const ArgumentList rejected[] = {
      {"--background", "--background"},
      {"--tenant"},
      {""},
      {"--help"},
      {"--Background"},
      {"--tenantx"},
      {"acme"},
  };
  for (const ArgumentList& arguments : rejected) {
    EXPECT_FALSE(parse(arguments).ok) << (arguments.empty() ? "" : arguments[0]);
  }
}

// --- Open links ---

TEST(OpenLink, ReplacesThePayloadSlugAndForwardsTheCanonicalLink) {
  const Parsed p = parse({"--uri", "norvane://open?tenant=acme-1"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.options.tenantSlug, "acme-1");
  EXPECT_EQ(p.options.forwardedArguments, L"--uri \"norvane://open?tenant=acme-1\"");
  EXPECT_FALSE(p.options.background);
}

TEST(OpenLink, SlashFormIsForwardedInTheFirstForm) {
  const Parsed p = parse({"--uri", "norvane://open/?tenant=acme"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.options.forwardedArguments, L"--uri \"norvane://open?tenant=acme\"");
}

TEST(OpenLink, BadLinksAndShapesAreRejected) {
  const ArgumentList rejected[] = {
      {"--uri", "norvane://open?tenant=a"},
      {"--uri", "norvane://open?tenant=Acme"},
      {"--uri", "norvane://open?tenant=acme&x=1"},
      {"--uri", "norvane://open?tenant=acme#top"},
      {"--uri", "norvane://open?tenant=acme/"},
      {"--uri", "NORVANE://open?tenant=acme"},
      {"--uri", "norvane://open?tenant=ac%6De"},
      {"--uri", "norvane://open?tenant="},
      {"--uri"},
      {"norvane://open?tenant=acme", "--uri"},
      {"--background", "--uri", "norvane://open?tenant=acme"},
      {"--uri", "norvane://open?tenant=acme", "--background"},
      {"--tenant=x", "--uri", "norvane://open?tenant=acme"},
  };
  for (const ArgumentList& arguments : rejected) {
    const Parsed p = parse(arguments);
    EXPECT_FALSE(p.ok) << arguments.back();
  }
}

TEST(OpenLink, TenantFromOpenLinkClearsTheSlugOnFailure) {
  LaunchOptions options;
  options.tenantSlug = "before";
  EXPECT_FALSE(tenantFromOpenLink("https://example/", options));
  EXPECT_TRUE(options.tenantSlug.empty());
  EXPECT_FALSE(tenantFromOpenLink("norvane://open?tenant=X", options));
  EXPECT_TRUE(options.tenantSlug.empty());
}

TEST(OpenLink, BuildRefusesAnInvalidSlug) {
  LaunchOptions options;
  options.tenantSlug = "-bad";
  EXPECT_TRUE(buildOpenLinkArgument(options).empty());
  options.tenantSlug = "ok";
  EXPECT_EQ(buildOpenLinkArgument(options).size(), 29u + 2u + 1u);
}

}  // namespace
