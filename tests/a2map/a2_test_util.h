// Helpers shared by the Apple II tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Standard output printed while f runs.
template <class F>
std::string captured(F&& f)
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Byte offset of (track, sector) in a DOS 3.3-order image.
inline size_t dos_at(uint32_t track, uint32_t sector)
{
    return (static_cast<size_t>(track) * 16 + sector) * 256;
}
