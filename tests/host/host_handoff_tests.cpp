#include <gtest/gtest.h>

#include "host/host_handoff.h"

TEST(ServiceCommandLine, QuotedPathYieldsTheTextInsideTheQuotes) {
  EXPECT_EQ(executableFromServiceCommandLine(L"\"C:\\Program Files\\Norvane\\NorvaneHostService.exe\" --service"),
            L"C:\\Program Files\\Norvane\\NorvaneHostService.exe");
  EXPECT_EQ(executableFromServiceCommandLine(L"\"\""), L"");
}

TEST(ServiceCommandLine, UnquotedPathIsCutAtTheFirstSpace) {
  EXPECT_EQ(executableFromServiceCommandLine(L"C:\\Program Files\\Norvane\\svc.exe"), L"C:\\Program");
  EXPECT_EQ(executableFromServiceCommandLine(L"C:\\svc.exe"), L"C:\\svc.exe");
  EXPECT_EQ(executableFromServiceCommandLine(L"%ProgramFiles%\\svc.exe -k"), L"%ProgramFiles%\\svc.exe");
}

TEST(ServiceCommandLine, EmptyOrUnclosedQuoteYieldsNothing) {
  EXPECT_EQ(executableFromServiceCommandLine(L""), L"");
  EXPECT_EQ(executableFromServiceCommandLine(L"\"C:\\Program Files\\svc.exe --run"), L"");
}
