// Leak checking of the tools that the CLI tests start: under AddressSanitizer
// a tool that loses memory must not end with a status a test could accept.
#pragma once

namespace leak_check {

// True when this test program (and so the tools built with it) carries
// AddressSanitizer with its leak checker.
bool sanitized();

}  // namespace leak_check
