// A small program around the BMP library for the tests that need a process
// of their own: the overwrite question reads standard input, a failed write
// is provoked with a file size limit, and headers that declare huge pictures
// are read under an allocation cap so that a reader which tried to allocate
// gigabytes fails here instead of taking the machine's memory.
//
//   bmp_probe write PATH OVERWRITE [FILE-SIZE-LIMIT]
//       writes a 64 x 64, 24-bit picture (PNG for a name ending in .png);
//       exit status 0 when written, else 1
//   bmp_probe ask COUNT
//       asks "overwrite ?" COUNT times, printing "[answer]" after each
//   bmp_probe read PATH
//       read_bitmap on PATH, then "result R pixels N"
//   bmp_probe sheet PATH
//       read_shape_bitmap on PATH with 16 x 16 tiles, then "result R pixels N"
//   bmp_probe create TILE-WIDTH TILE-HEIGHT BITS ACROSS DOWN
//       bitmap_create for a shape set of that tile size, then "result R pixels N"
// read, sheet and create end with "largest N", the largest allocation asked
// for (also when it was refused).
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "bitmap.h"
#include "row_sink.h"
#include "stdio_file.h"

// Allocations above this size fail with std::bad_alloc, as they would on a
// machine without the memory.
constexpr size_t kAllocationCap = size_t{1} << 30;
static size_t g_largest_allocation = 0;

void* operator new(size_t size)
{
    if (size > g_largest_allocation) g_largest_allocation = size;
    if (size > kAllocationCap) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

static int probe_write(const char* path, int overwrite, const char* limit)
{
    if (limit) {
        // Writes beyond the limit fail with EFBIG instead of raising SIGXFSZ.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{};
        rl.rlim_cur = rl.rlim_max = std::strtoul(limit, nullptr, 0);
        if (setrlimit(RLIMIT_FSIZE, &rl) != 0) return 2;
    }
    Bitmap bitmap;
    bitmap.width = 64;
    bitmap.height = 64;
    bitmap.bits_per_pixel = 24;
    bitmap.size = 64 * 64 * 3;
    bitmap.pixels.assign(bitmap.size, 0);
    for (size_t i = 0; i < bitmap.pixels.size(); ++i) bitmap.pixels[i] = static_cast<uint8_t>(i * 7);
    const PictureFormat format = picture_format_of(path);
    if (format == PictureFormat::kBmp) return write_bitmap_file(path, bitmap, overwrite) == 0 ? 0 : 1;
    return write_picture_file(path, bitmap, overwrite, format) == 0 ? 0 : 1;
}

static int probe_ask(int count)
{
    for (int i = 0; i < count; ++i) std::printf("[%d]\n", ask_yes_no("overwrite ?"));
    return 0;
}

static int probe_read(const char* path)
{
    UniqueFile fp = open_file(path, "rb");
    if (!fp) return 2;
    BmpHeader header;
    std::vector<uint8_t> palette;
    std::vector<uint8_t> pixels;
    const int result = read_bitmap(fp.get(), header, &palette, &pixels, 0);
    std::printf("result %d pixels %zu\nlargest %zu\n", result, pixels.size(), g_largest_allocation);
    return 0;
}

static int probe_sheet(const char* path)
{
    ShapeSet shapes;
    const int result = read_shape_bitmap(path, shapes, 16, 16);
    std::printf("result %d pixels %zu\nlargest %zu\n", result, shapes.pixels.size(),
                g_largest_allocation);
    return 0;
}

static uint32_t number(const char* word)
{
    return static_cast<uint32_t>(std::strtoul(word, nullptr, 0));
}

static int probe_create(char** argv)
{
    ShapeSet shapes;
    shapes.tile_width = number(argv[0]);
    shapes.tile_height = number(argv[1]);
    shapes.bits_per_pixel = number(argv[2]);
    shapes.bytes_per_pixel = (shapes.bits_per_pixel + 7) / 8;
    shapes.columns = 16;
    shapes.rows = 1;
    if (shapes.bits_per_pixel <= 8) shapes.palette.assign(size_t{4} << shapes.bits_per_pixel, 0);
    Bitmap bitmap;
    const int result = bitmap_create(bitmap, shapes, number(argv[3]), number(argv[4]));
    std::printf("result %d pixels %zu\nlargest %zu\n", result, bitmap.pixels.size(),
                g_largest_allocation);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "write") == 0)
        return probe_write(argv[2], std::atoi(argv[3]), argc >= 5 ? argv[4] : nullptr);
    if (argc == 3 && std::strcmp(argv[1], "ask") == 0) return probe_ask(std::atoi(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "read") == 0) return probe_read(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "sheet") == 0) return probe_sheet(argv[2]);
    if (argc == 7 && std::strcmp(argv[1], "create") == 0) return probe_create(argv + 2);
    std::fputs("usage: bmp_probe write|ask|read|sheet|create ...\n", stderr);
    return 2;
}
