#include "leak_check.h"

#include <cstdlib>
#include <string>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORN_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VORN_ASAN 1
#endif

namespace leak_check {

bool sanitized()
{
#if defined(VORN_ASAN)
    return true;
#else
    return false;
#endif
}

namespace {

// A leak that AddressSanitizer finds at exit normally ends the program with
// status 1, which is also the status of every refused input: a tool leaking
// on a failure path would pass its test. The tools started by these tests
// therefore abort on any finding (a status no test accepts), whatever the
// environment of the test run says; later settings in ASAN_OPTIONS win.
const bool g_options_set = [] {
    if (!sanitized()) return false;
    std::string options;
    if (const char* env = std::getenv("ASAN_OPTIONS"); env && *env) options = std::string(env) + ":";
    options += "detect_leaks=1:abort_on_error=1";
    return setenv("ASAN_OPTIONS", options.c_str(), 1) == 0;
}();

}  // namespace

}  // namespace leak_check
