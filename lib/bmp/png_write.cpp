// The PNG form of the row sink: signature, IHDR, PLTE, IDAT and IEND chunks,
// each with its CRC-32.
//
// The rows (filter None) are cut into bands of a fixed number of rows, which
// depends only on the row length. Each band is deflated on its own, primed
// with the 32 KiB of filtered data before it as the dictionary and ended
// with a sync flush (the last with the final block), so the bands joined
// make one zlib stream whatever order they were deflated in; their adler-32
// sums are combined. Bands can thus be deflated on several threads at once
// and the file's bytes never depend on the thread count or on timing.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

#include "row_sink.h"

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr size_t kWindowBytes = 32768;
// Rows are gathered into bands of about this many filtered bytes.
constexpr size_t kBandBytes = size_t{1} << 20;
// Measured on the sample maps: filter None beats Up on the tile maps by 7 to
// 17% (tiles repeat along a row, where the window finds them; Up breaks
// those runs wherever the row above differs) and on colour rows; Up wins
// only on the plain Apple II map, by 4%. Level 7 makes the files 3 to 8%
// smaller than level 6 for about 15% more time.
constexpr int kLevel = 7;

// Colour types of IHDR.
constexpr uint8_t kIndexedColour = 3;
constexpr uint8_t kTrueColour = 2;

// Filter type of every row: None.
constexpr uint8_t kFilterNone = 0;

bool indexed(const RowSink& sink) { return sink.bits_per_pixel <= 8; }

size_t png_row_bytes(const RowSink& sink)
{
    return indexed(sink) ? sink.row_bytes : static_cast<size_t>(sink.width) * 3;
}

void put_be32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// One chunk: length, type, the data in up to three pieces, CRC-32 of type
// and data.
int write_chunk(FILE* fp, const char* type, std::span<const uint8_t> a, std::span<const uint8_t> b = {},
                std::span<const uint8_t> c = {})
{
    const size_t length = a.size() + b.size() + c.size();
    if (length > 0x7FFFFFFFu) return -1;
    uint8_t head[8];
    put_be32(head, static_cast<uint32_t>(length));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0L, head + 4, 4);
    for (const auto piece : {a, b, c})
        if (!piece.empty()) crc = crc32(crc, piece.data(), static_cast<uInt>(piece.size()));
    uint8_t tail[4];
    put_be32(tail, static_cast<uint32_t>(crc));
    if (std::fwrite(head, 1, 8, fp) != 8) return -1;
    for (const auto piece : {a, b, c})
        if (!piece.empty() && std::fwrite(piece.data(), 1, piece.size(), fp) != piece.size()) return -1;
    return std::fwrite(tail, 1, 4, fp) == 4 ? 0 : -1;
}

// Deflates one band; runs on a worker thread or in line.
void deflate_band(PngBand* band)
{
    band->result = -1;
    z_stream z{};
    if (deflateInit2(&z, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    const size_t length = band->raw.size() - band->dictionary;
    bool ok = band->dictionary == 0 ||
              deflateSetDictionary(&z, band->raw.data(), static_cast<uInt>(band->dictionary)) == Z_OK;
    try {
        band->compressed.resize(deflateBound(&z, static_cast<uLong>(length)) + 64);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (ok) {
        z.next_in = band->raw.data() + band->dictionary;
        z.avail_in = static_cast<uInt>(length);
        z.next_out = band->compressed.data();
        z.avail_out = static_cast<uInt>(band->compressed.size());
        const int status = deflate(&z, band->last ? Z_FINISH : Z_SYNC_FLUSH);
        // The room deflateBound gives is enough to finish in one call.
        ok = band->last ? status == Z_STREAM_END : (status == Z_OK && z.avail_in == 0 && z.avail_out > 0);
        band->compressed.resize(z.total_out);
        band->adler = static_cast<uint32_t>(adler32(1L, band->raw.data() + band->dictionary, static_cast<uInt>(length)));
    }
    deflateEnd(&z);
    if (ok) band->result = 0;
}

// The two bytes that open the zlib stream: deflate with a 32 KiB window,
// the level's class and the check bits.
void zlib_header(uint8_t out[2])
{
    const unsigned cmf = 0x78;
    const unsigned level_class = kLevel <= 1 ? 0 : kLevel <= 5 ? 1 : kLevel == 6 ? 2 : 3;
    unsigned flg = level_class << 6;
    flg += (31 - (cmf * 256 + flg) % 31) % 31;
    out[0] = static_cast<uint8_t>(cmf);
    out[1] = static_cast<uint8_t>(flg);
}

// Writes the oldest band handed to compression as one IDAT chunk.
int write_band(RowSink& sink)
{
    PngBand& band = sink.bands[sink.done_band % sink.bands.size()];
    if (band.worker.joinable()) band.worker.join();
    ++sink.done_band;
    if (band.result < 0) return -1;
    const size_t length = band.raw.size() - band.dictionary;
    sink.adler = static_cast<uint32_t>(adler32_combine(sink.adler, band.adler, static_cast<z_off_t>(length)));
    uint8_t header[2];
    zlib_header(header);
    uint8_t trailer[4];
    put_be32(trailer, sink.adler);
    const bool first = sink.done_band == 1;
    const int result = write_chunk(sink.file.get(), "IDAT", first ? std::span<const uint8_t>(header) : std::span<const uint8_t>(),
                                   band.compressed, band.last ? std::span<const uint8_t>(trailer) : std::span<const uint8_t>());
    band.raw.clear();
    band.compressed.clear();
    return result;
}

// Hands the band being filled to compression.
int submit_band(RowSink& sink, bool last)
{
    PngBand& band = sink.bands[sink.next_band % sink.bands.size()];
    band.last = last;
    // The next band's dictionary: the last 32 KiB of the filtered data.
    const uint8_t* data = band.raw.data() + band.dictionary;
    const size_t length = band.raw.size() - band.dictionary;
    if (length >= kWindowBytes) {
        sink.window.assign(data + length - kWindowBytes, data + length);
    } else {
        sink.window.insert(sink.window.end(), data, data + length);
        if (sink.window.size() > kWindowBytes)
            sink.window.erase(sink.window.begin(), sink.window.end() - static_cast<ptrdiff_t>(kWindowBytes));
    }
    ++sink.next_band;
    if (sink.threads > 1) {
        if (sink.next_band - sink.done_band > static_cast<uint32_t>(sink.threads) && write_band(sink) < 0) return -1;
        try {
            band.worker = std::jthread(deflate_band, &band);
            return 0;
        } catch (const std::system_error&) {
            // No thread to be had: deflate it here, with the same result.
        }
    }
    deflate_band(&band);
    while (sink.done_band < sink.next_band)
        if (write_band(sink) < 0) return -1;
    return 0;
}

// Starts a band with the dictionary; -1 when memory runs out.
int start_band(RowSink& sink)
{
    PngBand& band = sink.bands[sink.next_band % sink.bands.size()];
    try {
        band.raw.assign(sink.window.begin(), sink.window.end());
    } catch (const std::bad_alloc&) {
        return -1;
    }
    band.dictionary = sink.window.size();
    return 0;
}

// One packed row as PNG pixel bytes: red, green, blue for colour pictures.
const uint8_t* png_pixels(RowSink& sink, const uint8_t* row)
{
    if (indexed(sink)) return row;
    uint8_t* out = sink.pixels.data();
    const uint32_t width = sink.width;
    switch (sink.bits_per_pixel) {
        case 16:
            for (uint32_t x = 0; x < width; ++x, out += 3) {
                const unsigned v = get_le16(row + 2 * x);
                const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                out[0] = static_cast<uint8_t>(r << 3 | r >> 2);
                out[1] = static_cast<uint8_t>(g << 3 | g >> 2);
                out[2] = static_cast<uint8_t>(b << 3 | b >> 2);
            }
            break;
        case 24:
            for (uint32_t x = 0; x < width; ++x, out += 3, row += 3) {
                out[0] = row[2];
                out[1] = row[1];
                out[2] = row[0];
            }
            break;
        default:
            for (uint32_t x = 0; x < width; ++x, out += 3, row += 4) {
                out[0] = row[2];
                out[1] = row[1];
                out[2] = row[0];
            }
            break;
    }
    return sink.pixels.data();
}

}  // namespace

int png_begin(RowSink& sink)
{
    const size_t row = png_row_bytes(sink);
    try {
        sink.pixels.assign(indexed(sink) ? 0 : row, 0);
        sink.window.clear();
        sink.window.reserve(kWindowBytes);
        sink.band_rows = static_cast<uint32_t>(std::clamp<size_t>(kBandBytes / (row + 1), 1, 0xFFFFFFFFu));
        sink.bands = std::vector<PngBand>(static_cast<size_t>(std::max(sink.threads, 1)) + 1);
        for (PngBand& band : sink.bands) band.raw.reserve(kWindowBytes + sink.band_rows * (row + 1));
    } catch (const std::bad_alloc&) {
        return -2;
    }
    sink.next_band = sink.done_band = 0;
    sink.adler = 1;
    if (start_band(sink) < 0) return -2;

    FILE* fp = sink.file.get();
    if (std::fwrite(kSignature, 1, sizeof kSignature, fp) != sizeof kSignature) return -1;
    uint8_t ihdr[13] = {};
    put_be32(ihdr, sink.width);
    put_be32(ihdr + 4, sink.height);
    ihdr[8] = static_cast<uint8_t>(indexed(sink) ? sink.bits_per_pixel : 8);
    ihdr[9] = indexed(sink) ? kIndexedColour : kTrueColour;
    if (write_chunk(fp, "IHDR", ihdr) < 0) return -1;
    if (!indexed(sink)) return 0;
    // Every entry of the palette, from blue, green, red, reserved to red,
    // green, blue; entries past the end of a short palette are black.
    const size_t entries = size_t{1} << sink.bits_per_pixel;
    uint8_t plte[256 * 3] = {};
    for (size_t i = 0; i < entries && (i + 1) * kPaletteEntryBytes <= sink.palette.size(); ++i) {
        plte[3 * i] = sink.palette[4 * i + 2];
        plte[3 * i + 1] = sink.palette[4 * i + 1];
        plte[3 * i + 2] = sink.palette[4 * i];
    }
    return write_chunk(fp, "PLTE", std::span<const uint8_t>(plte, entries * 3));
}

int png_row(RowSink& sink, const uint8_t* row)
{
    PngBand& band = sink.bands[sink.next_band % sink.bands.size()];
    const uint8_t* pixels = png_pixels(sink, row);
    const size_t length = png_row_bytes(sink);
    const size_t at = band.raw.size();
    band.raw.resize(at + 1 + length);  // within the reserved room
    uint8_t* out = band.raw.data() + at;
    out[0] = kFilterNone;
    std::memcpy(out + 1, pixels, length);
    const bool last = sink.rows_written + 1 == sink.height;
    if ((band.raw.size() - band.dictionary) / (length + 1) < sink.band_rows && !last) return 0;
    if (submit_band(sink, last) < 0) return -1;
    return last ? 0 : start_band(sink);
}

int png_finish(RowSink& sink)
{
    // A picture without rows still needs the stream's final block.
    if (sink.height == 0 && submit_band(sink, true) < 0) return -1;
    while (sink.done_band < sink.next_band)
        if (write_band(sink) < 0) return -1;
    return write_chunk(sink.file.get(), "IEND", {});
}

void png_drop(RowSink& sink)
{
    for (PngBand& band : sink.bands)
        if (band.worker.joinable()) band.worker.join();
    sink.bands.clear();
    sink.window = {};
    sink.pixels = {};
}

namespace {

void append_chunk(std::vector<uint8_t>& out, const char* type, std::span<const uint8_t> data)
{
    uint8_t head[8];
    put_be32(head, static_cast<uint32_t>(data.size()));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0L, head + 4, 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    uint8_t tail[4];
    put_be32(tail, static_cast<uint32_t>(crc));
    out.insert(out.end(), head, head + 8);
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), tail, tail + 4);
}

}  // namespace

int png_encode_rgba(std::vector<uint8_t>& out, uint32_t width, uint32_t height, std::span<const uint8_t> rgba)
{
    const uint64_t row = uint64_t{width} * 4;
    const uint64_t raw_size = (row + 1) * height;
    if (width == 0 || height == 0 || raw_size > 0x7FFFFFFFu || rgba.size() < row * height) return -1;
    std::vector<uint8_t> raw(static_cast<size_t>(raw_size));
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* line = raw.data() + y * (row + 1);
        line[0] = kFilterNone;
        std::memcpy(line + 1, rgba.data() + y * row, static_cast<size_t>(row));
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), kLevel) != Z_OK ||
        packed_size > 0x7FFFFFFFu)
        return -1;
    packed.resize(packed_size);
    uint8_t ihdr[13] = {};
    put_be32(ihdr, width);
    put_be32(ihdr + 4, height);
    ihdr[8] = 8;
    ihdr[9] = 6;  // red, green, blue and alpha
    out.assign(kSignature, kSignature + sizeof kSignature);
    append_chunk(out, "IHDR", ihdr);
    append_chunk(out, "IDAT", packed);
    append_chunk(out, "IEND", {});
    return 0;
}
