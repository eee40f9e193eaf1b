// Entry point of every test program. A skipped test counts as a failure: the
// fixtures a test needs exist when ./test.sh runs it, so a skip means
// something is missing.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  const testing::UnitTest& all = *testing::UnitTest::GetInstance();
  if (all.skipped_test_count() > 0) {
    std::printf("%d test(s) skipped: a skip is a failure here\n", all.skipped_test_count());
    rc = 1;
  }
  return rc;
}
