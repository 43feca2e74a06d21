// Shared pieces of the fuzz targets: quiet standard output, scratch files
// for the readers that take a path, and argument vectors cut from the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cli.h"

namespace vorn_fuzz {

// Sends standard output to /dev/null once (the readers print their messages
// there; printing them all would slow every run down).
void quiet_stdout();

// A file path in a scratch directory of this process, made on first use and
// removed at exit. The same name gives the same path.
std::string scratch_path(const std::string& name);

// Replaces the file at path with the bytes; false when that fails.
bool write_whole_file(const std::string& path, std::span<const uint8_t> bytes);

// Reads input bytes one field at a time; past the end every read yields 0.
struct ByteReader {
    std::span<const uint8_t> bytes;
    size_t at = 0;

    uint8_t u8() { return at < bytes.size() ? bytes[at++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
    std::span<const uint8_t> rest() const { return bytes.subspan(at < bytes.size() ? at : bytes.size()); }
};

// Words of an argument vector: the input cut at every NUL byte, behind a
// program name. argv() points into words and ends with a null pointer.
struct ArgumentVector {
    std::vector<std::string> words;
    std::vector<char*> pointers;

    explicit ArgumentVector(std::span<const uint8_t> bytes, const char* program);
    int argc() const { return static_cast<int>(pointers.size()) - 1; }
    char** argv() { return pointers.data(); }
};

// Aborts when a command line that was taken holds a view the tools refuse:
// an area outside a map of map_tiles tiles or of zero size, a shrink they do
// not take, or a combination refused together.
void check_view(const CliView& view, uint32_t map_tiles);

}  // namespace vorn_fuzz
