// Helpers for the floppy image tests: deterministic file contents, FAT
// patching and calls that capture what the module prints.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "diskimage.h"

namespace disk_test {

// size bytes that differ from sector to sector and from seed to seed.
inline std::vector<uint8_t> pattern_bytes(size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

// Stores a 12-bit entry into a FAT held as bytes.
inline void set_fat12(uint8_t* fat, uint32_t n, uint32_t value)
{
    uint8_t* p = fat + n / 2 * 3;
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    v = n % 2 == 0 ? (v & 0xFFF000) | (value & 0xFFF) : (v & 0x000FFF) | ((value & 0xFFF) << 12);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
}

inline int open_image(DiskImage& image, const std::filesystem::path& path, uint32_t offset, std::string* out)
{
    testing::internal::CaptureStdout();
    const int result = disk_image_open(image, path.string().c_str(), offset);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    return result;
}

inline int read_file(DiskImage& image, const char* name, std::span<uint8_t> buffer, int ignore_case,
                     std::string* out)
{
    testing::internal::CaptureStdout();
    const int result = disk_image_read_file(image, name, buffer, ignore_case);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (out) *out = printed;
    return result;
}

#ifndef _WIN32

// Full path of a program on PATH or in the system directories, or "".
inline std::string find_program(const char* name)
{
    std::vector<std::string> dirs;
    if (const char* path = std::getenv("PATH")) {
        std::string all = path;
        for (size_t start = 0;;) {
            const size_t colon = all.find(':', start);
            dirs.push_back(all.substr(start, colon - start));
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
    }
    for (const char* extra : {"/usr/sbin", "/sbin", "/usr/bin"}) dirs.emplace_back(extra);
    for (const std::string& dir : dirs) {
        std::error_code ec;
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        if (!dir.empty() && std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    }
    return {};
}

inline std::string quote(const std::filesystem::path& path)
{
    std::string q = "'";
    for (char c : path.string()) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a command quietly; true when it exits with status 0.
inline bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

#endif

}  // namespace disk_test
