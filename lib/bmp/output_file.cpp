// Writing a whole picture to its file through the row sink, and the question
// before an existing file is replaced.
#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "bitmap.h"
#include "row_sink.h"

namespace {

// Rows are packed into bands of about this size before they are handed over.
constexpr size_t kBandBytes = size_t{1} << 20;

}  // namespace

int ask_yes_no(const char* question)
{
    std::printf("%s (Y or N): ", question);
    std::fflush(stdout);
    for (;;) {
        const int c = std::getchar();
        if (c == EOF) return 0;
        if (c == 'y' || c == 'Y') return 1;
        if (c == 'n' || c == 'N') return 0;
    }
}

int write_picture_rows(const char* path, uint32_t width, uint32_t height, uint32_t bits_per_pixel,
                       std::span<const uint8_t> palette, std::span<const uint8_t> pixels, int overwrite,
                       PictureFormat format)
{
    RowSink sink;
    if (row_sink_open(sink, format, path, width, height, bits_per_pixel, palette, overwrite) < 0) return -1;
    const size_t row_in = static_cast<size_t>(width) * ((bits_per_pixel + 7) / 8);
    const uint32_t band_rows =
        static_cast<uint32_t>(std::clamp<size_t>(kBandBytes / std::max<size_t>(sink.row_stride, 1), 1, height ? height : 1));
    BandBuffer band;
    // A pixel buffer too small for the picture is a failed write of its rows.
    if (pixels.size() / (row_in ? row_in : 1) < height || band_buffer_init(band, sink, band_rows, true) < 0) {
        row_sink_abort(sink);
        std::puts("error: write_bitmap() - can't write bitmap data");
        std::printf("error: write bitmap '%s'\n", path);
        return -1;
    }
    for (uint32_t i = 0;; ++i) {
        const RowBand rows = row_sink_band(sink, i, band_rows, height);
        if (rows.count == 0) break;
        ptrdiff_t stride = 0;
        uint8_t* out = band_buffer_target(band, sink, rows.count, &stride);
        for (uint32_t r = 0; r < rows.count; ++r)
            pack_row(out + r * stride, pixels.data() + (rows.first + r) * row_in, width, bits_per_pixel);
        if (band_buffer_write(band, sink, rows.count) < 0) return -1;
    }
    return row_sink_close(sink);
}

int write_picture_file(const char* path, const Bitmap& bitmap, int overwrite, PictureFormat format)
{
    return write_picture_rows(path, bitmap.width, bitmap.height, bitmap.bits_per_pixel, bitmap.palette,
                              bitmap.pixels, overwrite, format);
}

int write_bitmap_file(const char* path, const Bitmap& bitmap, int overwrite)
{
    return write_picture_file(path, bitmap, overwrite, PictureFormat::kBmp);
}
