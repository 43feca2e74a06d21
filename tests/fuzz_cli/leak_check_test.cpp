// The tools run as child processes of the CLI tests: a leak in one of them
// must fail the test that started it.
#include <gtest/gtest.h>

#include "leak_check.h"
#include "tool_run.h"

namespace {

TEST(LeakCheck, ALeakingToolEndsWithAStatusNoTestAccepts)
{
    if (!leak_check::sanitized()) GTEST_SKIP() << "leaks are checked in the sanitizer build";
    vorn_test::TempDir dir;
    const auto r = vorn_test::run_tool("vorn_leak_probe", {}, dir.path());
    // Aborted by the leak checker: neither 0 (success) nor 1 (a refusal).
    EXPECT_EQ(r.status, -1);
}

}  // namespace
