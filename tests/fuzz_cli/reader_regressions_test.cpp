// Inputs that fuzzing the readers turned up, kept with what they must give.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "bitmap.h"
#include "leak_check.h"
#include "sheets.h"

namespace {

// A BMP header of the given size and bit count whose length fields match a
// picture of no data bytes, followed by its palette.
std::vector<uint8_t> empty_picture(uint32_t width, uint32_t height, uint16_t bits)
{
    const uint32_t palette = bits <= 8 ? 4u << bits : 0;
    std::vector<uint8_t> file(54 + palette);
    file[0] = 'B';
    file[1] = 'M';
    put_le32(&file[2], static_cast<uint32_t>(file.size()));
    put_le32(&file[10], 54 + palette);
    put_le32(&file[14], 40);
    put_le32(&file[18], width);
    put_le32(&file[22], height);
    put_le16(&file[26], 1);
    put_le16(&file[28], bits);
    return file;  // image size 0: corrected to the (zero) data length
}

struct Read {
    int result;
    size_t pixels;
    std::vector<uint8_t> palette_bytes = {};
    std::vector<uint8_t> pixel_bytes = {};
};

Read read_memory(std::vector<uint8_t> file)
{
    FILE* fp = fmemopen(file.data(), file.size(), "rb");
    if (!fp) return {-100, 0};
    BmpHeader header;
    std::vector<uint8_t> palette, pixels;
    const int result = read_bitmap(fp, header, &palette, &pixels, 0);
    std::fclose(fp);
    return {result, pixels.size(), palette, pixels};
}

// Reads a BMP from a pipe fed with the bytes (which must fit the pipe's
// buffer), as from a FIFO: a stream that cannot be sized.
Read read_pipe(const std::vector<uint8_t>& file)
{
    int fds[2];
    if (pipe(fds) != 0) return {-100, 0};
    const bool written = write(fds[1], file.data(), file.size()) == static_cast<ssize_t>(file.size());
    close(fds[1]);
    FILE* fp = fdopen(fds[0], "rb");
    if (!written || !fp) {
        if (fp) std::fclose(fp); else close(fds[0]);
        return {-100, 0};
    }
    BmpHeader header;
    std::vector<uint8_t> palette, pixels;
    const int result = read_bitmap(fp, header, &palette, &pixels, 0);
    std::fclose(fp);
    return {result, pixels.size(), palette, pixels};
}

// A huge width with no rows once made the reader size a row buffer of up to
// 4 GiB (or fail with "memory exhaust!") for a picture without data; a zero
// width with 2^32 - 1 rows made it loop over billions of empty rows. Rows
// longer than 32 bits are refused with the header.
TEST(ReaderRegressions, PicturesWithoutDataReadAtOnce)
{
    struct Case {
        uint32_t width, height;
        uint16_t bits;
        int result;
    };
    const Case cases[] = {
        {0x7FBE0020u, 0, 1, 0},  {0xFFFFFFF0u, 0, 8, 0},  {0x3FFFFFFFu, 0, 32, 0}, {0, 0xFFFFFFFFu, 8, 0},
        {0, 0xFFFFFFFFu, 32, 0}, {0xFFFFFFFFu, 0, 32, -1}, {0xFFFFFFFFu, 0, 24, -1},
    };
    for (const Case& c : cases) {
        const Read r = read_memory(empty_picture(c.width, c.height, c.bits));
        EXPECT_EQ(r.result, c.result) << c.width << "x" << c.height << "x" << c.bits;
        EXPECT_EQ(r.pixels, 0u) << c.width << "x" << c.height << "x" << c.bits;
    }
}

// Through a pipe a picture reads the same as from a file.
TEST(ReaderRegressions, PipesReadLikeFiles)
{
    for (const uint32_t bits : {1u, 4u, 8u, 24u}) {
        const auto file = sheets::tile_sheet(16, 2, 3, 2, bits);
        const Read from_file = read_memory(file);
        const Read from_pipe = read_pipe(file);
        ASSERT_EQ(from_file.result, 0) << bits;
        EXPECT_EQ(from_pipe.result, 0) << bits;
        EXPECT_EQ(from_pipe.palette_bytes, from_file.palette_bytes) << bits;
        EXPECT_EQ(from_pipe.pixel_bytes, from_file.pixel_bytes) << bits;
        auto cut = file;
        cut.pop_back();
        EXPECT_EQ(read_pipe(cut).result, -1) << bits;
    }
}

// A header promising a picture of nearly 4 GiB on a pipe that brings a few
// bytes once made the reader allocate (and clear) the whole picture before
// the first row failed. It must fail after the bytes that come, with no
// more memory than those. The read runs in a child limited to 512 MiB of
// address space (not in the sanitizer build, which needs far more).
TEST(ReaderRegressions, ForgedHeaderOnAPipeAllocatesNothingLarge)
{
    if (leak_check::sanitized()) GTEST_SKIP() << "address space limits do not work under AddressSanitizer";
    std::vector<uint8_t> file = empty_picture(65535, 65535, 8);
    put_le32(&file[34], 65536u * 65535u);  // the image size that matches
    put_le32(&file[2], 0);                 // file size unknown: a warning only
    file.resize(file.size() + 1000, 0x11);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const rlimit limit = {512u << 20, 512u << 20};
        setrlimit(RLIMIT_AS, &limit);
        std::freopen("/dev/null", "w", stdout);
        const Read r = read_pipe(file);
        _exit(r.result == -1 && r.pixels == 0 ? 0 : 10 - r.result);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
