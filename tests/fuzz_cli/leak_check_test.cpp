// The tools run as child processes of the CLI tests: a leak in one of them
// must fail the test that started it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "leak_check.h"
#include "tool_run.h"

namespace {

TEST(LeakCheck, ALeakingToolEndsWithAStatusNoTestAccepts)
{
    if (!leak_check::sanitized()) GTEST_SKIP() << "leaks are checked in the sanitizer build";
    if (const char* runner = std::getenv("VORN_TOOL_RUNNER"); runner && *runner)
        GTEST_SKIP() << "the probe is a program of this build, not started through a runner";
    vorn_test::TempDir dir;
    const auto r = vorn_test::run_tool("vorn_leak_probe", {}, dir.path());
    // Aborted by the leak checker: neither 0 (success) nor 1 (a refusal).
    EXPECT_EQ(r.status, -1);
}

}  // namespace
