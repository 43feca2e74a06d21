// Small helpers around C stdio streams: an owning holder that closes the
// stream on every path, and 64-bit seek/tell that work the same on every
// platform the tools build for.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(FILE* fp) const noexcept
    {
        if (fp) std::fclose(fp);
    }
};

// Owns a FILE*; the stream is closed when the holder goes out of scope.
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// Opens a stream as fopen does. A directory is no file: opening one for
// reading fails (errno EISDIR) on every platform, as it does on Windows,
// rather than failing later at the first read or seek.
[[nodiscard]] UniqueFile open_file(const char* path, const char* mode);

// Seeks with a 64-bit offset; 0 on success, -1 on failure.
[[nodiscard]] int file_seek64(FILE* fp, int64_t offset, int whence);

// The current position of the stream, or -1.
[[nodiscard]] int64_t file_tell64(FILE* fp);

// The number of bytes from the current position to the end of the stream,
// or -1 when the stream cannot seek (a pipe, a FIFO). The position is kept.
[[nodiscard]] int64_t file_bytes_left(FILE* fp);

// Makes the folder that a run writes its files into, with its missing
// parents, unless it is a folder already. 0, or -1 after "error: make
// directory 'DIR'" (it cannot be made) or "error: not a directory 'DIR'"
// (something else stands there).
[[nodiscard]] int make_output_directory(const char* dir);
