// The row sink: the output file's rules (question, temporary file, rename,
// direct writes) and the BMP form of the rows. The PNG form is in
// png_write.cpp.
#include "row_sink.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// BMP rows are gathered into blocks of about this size before each write.
constexpr size_t kBlockBytes = size_t{1} << 20;

enum class Target { kMissing, kRegular, kOther };

#if defined(_WIN32)
using StatRecord = struct _stat64;
int stat_path(const char* path, StatRecord* st) { return _stat64(path, st); }
#else
using StatRecord = struct stat;
int stat_path(const char* path, StatRecord* st) { return stat(path, st); }
#endif

Target classify(const char* path, StatRecord* st)
{
#if defined(_WIN32)
    if (_stat64(path, st) != 0) return Target::kMissing;
    return (st->st_mode & _S_IFMT) == _S_IFREG ? Target::kRegular : Target::kOther;
#else
    if (lstat(path, st) != 0) return Target::kMissing;
    return S_ISREG(st->st_mode) ? Target::kRegular : Target::kOther;
#endif
}

bool writable(const char* path)
{
#if defined(_WIN32)
    return _access(path, 2) == 0;
#else
    return access(path, W_OK) == 0;
#endif
}

// Creates a new temporary file beside path; stores its name.
FILE* create_temporary(const std::string& path, const StatRecord* existing, std::string& name)
{
#if defined(_WIN32)
    (void)existing;
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        name = path + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(attempt);
        int fd = -1;
        if (_sopen_s(&fd, name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE) == 0) {
            FILE* fp = _fdopen(fd, "wb");
            if (!fp) {
                _close(fd);
                std::remove(name.c_str());
            }
            return fp;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
#else
    std::string pattern = path + ".tmpXXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return nullptr;
    name = pattern;
    // The file gets the mode a plain create would give it, or keeps the mode
    // of the file it replaces.
    mode_t mode;
    if (existing) {
        mode = existing->st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0) {
        // Keep the restrictive mode of the temporary file rather than fail.
    }
    FILE* fp = fdopen(fd, "wb");
    if (!fp) {
        close(fd);
        std::remove(name.c_str());
    }
    return fp;
#endif
}

int replace_file(const std::string& from, const char* to)
{
#if defined(_WIN32)
    return MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
#else
    return std::rename(from.c_str(), to) == 0 ? 0 : -1;
#endif
}

// Removes what the sink wrote and closes it, without a message.
void discard(RowSink& sink)
{
    if (sink.out) row_sink_abort(*sink.out);
    sink.out.reset();
    sink.viewing = false;
    sink.pyramid = TilePyramid{};
    png_drop(sink);
    sink.file.reset();
    if (!sink.temporary.empty()) std::remove(sink.temporary.c_str());
    else if (sink.created) std::remove(sink.path.c_str());
    sink.temporary.clear();
    sink.created = false;
    sink.is_open = false;
    sink.block = {};
}

// A failed write of the rows: the chain of messages, and nothing left.
int fail_data(RowSink& sink)
{
    discard(sink);
    std::puts("error: write_bitmap() - can't write bitmap data");
    std::printf("error: write bitmap '%s'\n", sink.path.c_str());
    return -1;
}

int write_all(FILE* fp, const uint8_t* bytes, size_t count)
{
    return std::fwrite(bytes, 1, count, fp) == count ? 0 : -1;
}

int flush_block(RowSink& sink)
{
    if (sink.block.empty()) return 0;
    const int result = write_all(sink.file.get(), sink.block.data(), sink.block.size());
    sink.block.clear();
    return result;
}

// BMP rows: padded copies gathered into blocks; a band that already lies at
// the padded stride goes out in one write.
int bmp_rows(RowSink& sink, const uint8_t* rows, uint32_t count, size_t stride)
{
    const size_t padded = sink.row_stride;
    if (stride == padded && count > 1) {
        if (flush_block(sink) < 0) return -1;
        return write_all(sink.file.get(), rows, padded * count);
    }
    for (uint32_t r = 0; r < count; ++r, rows += stride) {
        if (sink.block.size() + padded > std::max(kBlockBytes, padded) && flush_block(sink) < 0) return -1;
        const size_t at = sink.block.size();
        sink.block.resize(at + padded);
        std::memcpy(sink.block.data() + at, rows, sink.row_bytes);
        std::fill(sink.block.data() + at + sink.row_bytes, sink.block.data() + at + padded, 0);
    }
    return 0;
}

// Copies the finished temporary file into the target (a name the rename
// refuses) and removes the temporary. 0 or -1 with the messages of a direct
// write.
int copy_into_target(RowSink& sink)
{
    const std::string from = sink.temporary;
    sink.temporary.clear();
    UniqueFile out = open_file(sink.path.c_str(), "wb");
    if (!out) {
        std::remove(from.c_str());
        std::printf("error: open '%s'\n", sink.path.c_str());
        return -1;
    }
    // (Windows removes no file that is open: the temporary is read only once
    // the target is open, and closed before it is removed.)
    UniqueFile in = open_file(from.c_str(), "rb");
    bool failed = !in;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(kBlockBytes);
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    while (!failed) {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (n > 0 && write_all(out.get(), buffer.data(), n) < 0) failed = true;
        if (n < buffer.size()) {
            failed = failed || std::ferror(in.get());
            break;
        }
    }
    in.reset();
    std::remove(from.c_str());
    if (!failed && std::fclose(out.release()) != 0) failed = true;
    if (failed) {
        out.reset();
        if (sink.created) std::remove(sink.path.c_str());
        std::puts("error: write_bitmap() - can't write bitmap data");
        std::printf("error: write bitmap '%s'\n", sink.path.c_str());
        return -1;
    }
    return 0;
}

// Copies width pixels from pixel x on of a packed row.
void crop_row(uint8_t* out, const uint8_t* row, uint32_t x, uint32_t width, uint32_t bits)
{
    const size_t start = size_t{x} * bits;
    if (start % 8 == 0) {
        std::memcpy(out, row + start / 8, packed_row_bytes(width, bits));
        return;
    }
    // 1- and 4-bit pixels that begin inside a byte.
    std::memset(out, 0, packed_row_bytes(width, bits));
    const uint32_t mask = (1u << bits) - 1;
    for (uint32_t i = 0; i < width; ++i) {
        const size_t from = start + size_t{i} * bits, to = size_t{i} * bits;
        const uint32_t v = (row[from / 8] >> (8 - bits - from % 8)) & mask;
        out[to / 8] = static_cast<uint8_t>(out[to / 8] | v << (8 - bits - to % 8));
    }
}

// A view's rows: the part cut out of each, reduced where asked, and handed
// to the file. A failed write of the file has printed its messages and
// closed it.
int view_rows(RowSink& sink, const uint8_t* rows, uint32_t count, size_t stride)
{
    const RowView& view = sink.view;
    const size_t start = size_t{view.x} * sink.bits_per_pixel;
    if (view.shrink == 1 && start % 8 == 0) {
        if (row_sink_write(*sink.out, rows + start / 8, count, stride) < 0) return -1;
    } else {
        for (uint32_t r = 0; r < count; ++r, rows += stride) {
            const uint8_t* part = rows + start / 8;
            if (start % 8 != 0) {
                crop_row(sink.view_row.data(), rows, view.x, view.width, sink.bits_per_pixel);
                part = sink.view_row.data();
            }
            if (view.shrink == 1) {
                if (row_sink_write(*sink.out, part, 1, 0) < 0) return -1;
            } else if (box_reducer_add(sink.reducer, part, sink.reduced_row.data()) &&
                       row_sink_write(*sink.out, sink.reduced_row.data(), 1, 0) < 0) {
                return -1;
            }
        }
    }
    sink.rows_written += count;
    return 0;
}

// Sets the picture fields of a sink, with packed rows one after the other.
void set_composed(RowSink& sink, PictureFormat format, const char* path, uint32_t width, uint32_t height,
                  uint32_t bits_per_pixel, std::span<const uint8_t> palette)
{
    sink.format = format;
    sink.width = width;
    sink.height = height;
    sink.bits_per_pixel = bits_per_pixel;
    sink.palette = palette;
    sink.row_bytes = packed_row_bytes(width, bits_per_pixel);
    sink.row_stride = sink.row_bytes;
    sink.path = path;
    sink.rows_written = 0;
    sink.temporary.clear();
    sink.created = false;
}

}  // namespace

PictureFormat picture_format_of(const char* path)
{
    const size_t n = std::strlen(path);
    if (n < 4) return PictureFormat::kBmp;
    const char* end = path + n - 4;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return end[0] == '.' && lower(end[1]) == 'p' && lower(end[2]) == 'n' && lower(end[3]) == 'g'
               ? PictureFormat::kPng
               : PictureFormat::kBmp;
}

std::string png_name_of(const char* bmp_name)
{
    std::string name = bmp_name;
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) name.resize(name.size() - 4);
    return name + ".png";
}

size_t packed_row_bytes(uint32_t width, uint32_t bits_per_pixel)
{
    return static_cast<size_t>((uint64_t{width} * bits_per_pixel + 7) / 8);
}

void pack_row(uint8_t* out, const uint8_t* row, uint32_t width, uint32_t bits_per_pixel)
{
    switch (bits_per_pixel) {
        case 1: {
            uint32_t x = 0;
            for (; x + 8 <= width; x += 8) {
                uint8_t b = 0;
                for (uint32_t k = 0; k < 8; ++k) b = static_cast<uint8_t>(b | (row[x + k] != 0) << (7 - k));
                *out++ = b;
            }
            if (x < width) {
                uint8_t b = 0;
                for (uint32_t k = 0; x + k < width; ++k) b = static_cast<uint8_t>(b | (row[x + k] != 0) << (7 - k));
                *out = b;
            }
            break;
        }
        case 4: {
            const uint32_t pairs = width / 2;
            for (uint32_t i = 0; i < pairs; ++i)
                out[i] = static_cast<uint8_t>((row[2 * i] << 4) | (row[2 * i + 1] & 0x0F));
            if (width & 1) out[pairs] = static_cast<uint8_t>(row[width - 1] << 4);
            break;
        }
        default:
            std::memcpy(out, row, packed_row_bytes(width, bits_per_pixel));
            break;
    }
}

int row_sink_open(RowSink& sink, PictureFormat format, const char* path, uint32_t width, uint32_t height,
                  uint32_t bits_per_pixel, std::span<const uint8_t> palette, int overwrite)
{
    BmpHeader header;
    if (create_bitmap_header(header, width, height, static_cast<uint16_t>(bits_per_pixel)) < 0) {
        std::puts("error: create bitmap header");
        return -1;
    }
    row_sink_abort(sink);
    set_composed(sink, format, path, width, height, bits_per_pixel, palette);
    if (format == PictureFormat::kBmp) sink.row_stride = static_cast<size_t>(bitmap_row_bytes(width, bits_per_pixel));

    StatRecord st{};
    if (!overwrite && stat_path(path, &st) == 0) {
        std::printf("'%s' already exists\n", path);
        if (!ask_yes_no("overwrite ?")) return -1;
    }

    const Target target = classify(path, &st);
    sink.was_missing = target == Target::kMissing;
    if (target == Target::kRegular && !writable(path)) {
        std::printf("error: open '%s'\n", path);
        return -1;
    }
    if (target != Target::kOther)
        sink.file.reset(create_temporary(path, target == Target::kRegular ? &st : nullptr, sink.temporary));
    // Anything but a regular file (a device, a symbolic link), and a target
    // beside which no temporary file can be made (a directory without write
    // permission, a name too long for a suffix), is written in place.
    if (!sink.file) {
        sink.temporary.clear();
        sink.file = open_file(path, "wb");
        if (!sink.file) {
            std::printf("error: open '%s'\n", path);
            return -1;
        }
        sink.created = target == Target::kMissing;
    }
    sink.is_open = true;

    int result = 0;
    if (format == PictureFormat::kPng) {
        result = png_begin(sink);
        if (result == -2) return fail_data(sink);  // no memory for the bands
    } else {
        result = write_bitmap_header(sink.file.get(), header);
        if (result == 0 && bits_per_pixel <= 8 && write_palette(sink.file.get(), palette, 1 << bits_per_pixel) < 0) {
            discard(sink);
            std::puts("error: write_bitmap() - can't write palette");
            std::printf("error: write bitmap '%s'\n", path);
            return -1;
        }
    }
    if (result < 0) {
        discard(sink);
        std::puts("error: write_bitmap() - can't write bitmap header");
        std::printf("error: write bitmap '%s'\n", path);
        return -1;
    }
    return 0;
}

bool row_sink_bottom_up(const RowSink& sink) { return sink.format == PictureFormat::kBmp; }

int row_sink_open_view(RowSink& sink, PictureFormat format, const char* path, uint32_t width, uint32_t height,
                       uint32_t bits_per_pixel, std::span<const uint8_t> palette, int overwrite, const RowView& view)
{
    row_sink_abort(sink);
    sink.path = path;
    const uint32_t n = view.shrink;
    if (view.width == 0 || view.height == 0 || view.x > width || view.width > width - view.x || view.y > height ||
        view.height > height - view.y || view.tile_height == 0 || view.y % view.tile_height ||
        view.height % view.tile_height || n == 0 || view.width % n || view.height % n) {
        std::puts("error: create bitmap header");
        return -1;
    }
    try {
        sink.out = std::make_unique<RowSink>();
        sink.out->threads = sink.threads;
        const bool reduced = n > 1;
        if (row_sink_open(*sink.out, format, path, view.width / n, view.height / n, reduced ? 24 : bits_per_pixel,
                          reduced ? std::span<const uint8_t>() : palette, overwrite) < 0) {
            sink.out.reset();
            return -1;
        }
        sink.view_row.assign(packed_row_bytes(view.width, bits_per_pixel), 0);
        sink.reduced_row.assign(size_t{view.width / n} * 3, 0);
        if (reduced && box_reducer_init(sink.reducer, view.width, bits_per_pixel, palette, n) < 0)
            throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        return fail_data(sink);
    }
    set_composed(sink, format, path, width, height, bits_per_pixel, palette);
    sink.view = view;
    sink.viewing = true;
    sink.is_open = true;
    return 0;
}

int row_sink_open_pyramid(RowSink& sink, const char* folder, const char* name, uint32_t width, uint32_t height,
                          uint32_t bits_per_pixel, std::span<const uint8_t> palette, uint32_t image_width,
                          uint32_t image_height)
{
    BmpHeader header;
    if (create_bitmap_header(header, width, height, static_cast<uint16_t>(bits_per_pixel)) < 0) {
        std::puts("error: create bitmap header");
        return -1;
    }
    row_sink_abort(sink);
    set_composed(sink, PictureFormat::kAtlas, name, width, height, bits_per_pixel, palette);
    sink.is_open = true;
    sink.pyramid.threads = sink.threads;
    const int opened =
        tile_pyramid_open(sink.pyramid, folder, width, height, bits_per_pixel, palette, image_width, image_height);
    if (opened == -2) {
        discard(sink);
        throw std::bad_alloc();
    }
    return opened < 0 ? fail_data(sink) : 0;
}

int row_sink_write(RowSink& sink, const uint8_t* rows, uint32_t count, size_t stride)
{
    if (!sink.is_open) return -1;
    if (count > (sink.viewing ? sink.view.height : sink.height) - sink.rows_written) return fail_data(sink);
    if (sink.viewing) {
        if (view_rows(sink, rows, count, stride) == 0) return 0;
        sink.is_open = false;  // the file has said why
        sink.viewing = false;
        sink.out.reset();
        return -1;
    }
    if (sink.format == PictureFormat::kAtlas) {
        if (tile_pyramid_rows(sink.pyramid, rows, count, stride) < 0) return fail_data(sink);
        sink.rows_written += count;
        return 0;
    }
    if (sink.format == PictureFormat::kBmp) {
        if (bmp_rows(sink, rows, count, stride) < 0) return fail_data(sink);
        sink.rows_written += count;
        return 0;
    }
    for (uint32_t r = 0; r < count; ++r, rows += stride) {
        if (png_row(sink, rows) < 0) return fail_data(sink);
        ++sink.rows_written;
    }
    return 0;
}

int row_sink_close(RowSink& sink)
{
    if (!sink.is_open) return -1;
    if (sink.viewing) {
        if (sink.rows_written != sink.view.height) return fail_data(sink);
        sink.is_open = false;
        sink.viewing = false;
        const int result = row_sink_close(*sink.out);
        sink.out.reset();
        sink.reducer = BoxReducer{};
        return result;
    }
    if (sink.format == PictureFormat::kAtlas) {
        if (sink.rows_written != sink.height || tile_pyramid_finish(sink.pyramid) < 0) return fail_data(sink);
        sink.is_open = false;
        sink.pyramid = TilePyramid{};
        return 0;
    }
    if (sink.rows_written != sink.height) return fail_data(sink);
    const int finished = sink.format == PictureFormat::kBmp ? flush_block(sink) : png_finish(sink);
    if (finished < 0 || std::fflush(sink.file.get()) != 0) return fail_data(sink);
    sink.block = {};
    sink.is_open = false;
    if (std::fclose(sink.file.release()) != 0) return fail_data(sink);
    if (sink.temporary.empty() || replace_file(sink.temporary, sink.path.c_str()) == 0) {
        sink.temporary.clear();
        return 0;
    }
    // The name cannot take the finished file (an empty name, say): the
    // bytes are written to the path itself, which reports its own failure.
    sink.created = sink.was_missing;
    return copy_into_target(sink);
}

void row_sink_abort(RowSink& sink)
{
    if (sink.is_open || sink.file || sink.out) discard(sink);
}

RowBand row_sink_band(const RowSink& sink, uint32_t index, uint32_t per_band, uint32_t total)
{
    RowBand band;
    uint32_t first = 0;
    if (sink.viewing) {
        first = sink.view.y / sink.view.tile_height;
        total = sink.view.height / sink.view.tile_height;
    }
    const uint64_t start = uint64_t{index} * per_band;
    if (per_band == 0 || start >= total) return band;
    band.count = static_cast<uint32_t>(std::min<uint64_t>(per_band, total - start));
    band.first = first + (row_sink_bottom_up(sink) ? static_cast<uint32_t>(total - start - band.count)
                                                   : static_cast<uint32_t>(start));
    return band;
}

int band_buffer_init(BandBuffer& band, const RowSink& sink, uint32_t rows, bool packed)
{
    band.packed = packed;
    try {
        band.rows.assign(sink.row_stride * rows, 0);
        if (!packed) {
            band.unpacked_stride = static_cast<size_t>(sink.width) * ((sink.bits_per_pixel + 7) / 8);
            band.unpacked.assign(band.unpacked_stride * rows, 0);
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

uint8_t* band_buffer_target(BandBuffer& band, const RowSink& sink, uint32_t rows, ptrdiff_t* stride)
{
    if (!band.packed) {
        *stride = static_cast<ptrdiff_t>(band.unpacked_stride);
        return band.unpacked.data();
    }
    // The buffer holds the rows in the sink's order: bottom row first for BMP.
    const auto step = static_cast<ptrdiff_t>(sink.row_stride);
    if (row_sink_bottom_up(sink) && rows > 0) {
        *stride = -step;
        return band.rows.data() + static_cast<size_t>(rows - 1) * sink.row_stride;
    }
    *stride = step;
    return band.rows.data();
}

int band_buffer_write(BandBuffer& band, RowSink& sink, uint32_t rows)
{
    if (!band.packed) {
        const bool up = row_sink_bottom_up(sink);
        for (uint32_t r = 0; r < rows; ++r)
            pack_row(band.rows.data() + static_cast<size_t>(up ? rows - 1 - r : r) * sink.row_stride,
                     band.unpacked.data() + r * band.unpacked_stride, sink.width, sink.bits_per_pixel);
    }
    return row_sink_write(sink, band.rows.data(), rows, sink.row_stride);
}

int write_file_bytes(const char* path, std::span<const uint8_t> bytes)
{
    StatRecord st{};
    const Target target = classify(path, &st);
    if (target == Target::kRegular && !writable(path)) {
        std::printf("error: open '%s'\n", path);
        return -1;
    }
    std::string temporary;
    UniqueFile file;
    if (target != Target::kOther)
        file.reset(create_temporary(path, target == Target::kRegular ? &st : nullptr, temporary));
    // As for pictures: anything but a regular file, or a target beside which
    // no temporary file can be made, is written in place.
    if (!file) {
        temporary.clear();
        file = open_file(path, "wb");
        if (!file) {
            std::printf("error: open '%s'\n", path);
            return -1;
        }
    }
    bool failed = write_all(file.get(), bytes.data(), bytes.size()) < 0 || std::fflush(file.get()) != 0;
    if (std::fclose(file.release()) != 0) failed = true;
    if (!failed && !temporary.empty() && replace_file(temporary, path) != 0) {
        // The name does not take the finished file: write the path itself.
        std::remove(temporary.c_str());
        temporary.clear();
        file = open_file(path, "wb");
        failed = !file || write_all(file.get(), bytes.data(), bytes.size()) < 0;
        if (file && std::fclose(file.release()) != 0) failed = true;
        if (failed && target == Target::kMissing) std::remove(path);
    } else if (failed) {
        if (!temporary.empty()) std::remove(temporary.c_str());
        else if (target == Target::kMissing) std::remove(path);
    }
    if (failed) {
        std::printf("error: write '%s'\n", path);
        return -1;
    }
    return 0;
}
