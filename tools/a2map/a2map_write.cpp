// The Apple II map written as it is composed: a band of tile rows at a time,
// only the even rows (the scan lines) composed, each coloured or retouched
// into the two picture rows it stands for.
#include <algorithm>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>
#include <new>
#include <vector>

#include "a2map.h"
#include "hires.h"
#include "retouch.h"
#include "tile_sheet.h"
#include "worldmap.h"

namespace {

constexpr uint32_t kChunkEdge = 16;

}  // namespace

int a2map_write_coloured(RowSink& sink, const ShapeSet& shapes, std::span<const uint8_t> map, uint32_t gates,
                         int balloon, int blur, RetouchWork* retouch)
{
    TileSheet sheet;
    tile_sheet_prepare(sheet, shapes, nullptr, false);
    const uint32_t tile_rows = sheet.lines;  // picture rows per tile row
    tile_sheet_even_lines(sheet);
    const size_t width = sink.width;
    const uint32_t per_band = world_band_tiles(sink.row_stride, tile_rows);
    std::vector<uint8_t> lines(size_t{per_band} * sheet.lines * width);
    std::vector<uint8_t> colours(width);
    BandBuffer band;
    HiresWork work;
    // The retouch, the costly step, runs on two threads: the second takes
    // the upper half of each band with a work of its own.
    std::vector<RetouchWork> helper;
    if (retouch) helper.assign(1, *retouch);
    if (band_buffer_init(band, sink, per_band * tile_rows, true) < 0) throw std::bad_alloc();
    for (uint32_t i = 0;; ++i) {
        const RowBand tiles = row_sink_band(sink, i, per_band, kWorldTiles);
        if (tiles.count == 0) return 0;
        world_map_draw_rows(sheet, map, gates, balloon, kChunkEdge, tiles.first, tiles.count, lines.data(),
                            static_cast<ptrdiff_t>(width));
        const uint32_t first = tiles.first * tile_rows;
        const uint32_t rows = tiles.count * tile_rows;
        ptrdiff_t stride = 0;
        uint8_t* top = band_buffer_target(band, sink, rows, &stride);
        if (retouch) {
            const uint32_t half = rows / 4 * 2;  // an even count of rows: whole scan lines
            std::jthread upper;
            try {
                upper = std::jthread(retouch_rows, std::ref(helper[0]), lines.data(), width, first, half, top, stride);
            } catch (const std::system_error&) {
                retouch_rows(helper[0], lines.data(), width, first, half, top, stride);
            }
            retouch_rows(*retouch, lines.data() + half / 2 * width, width, first + half, rows - half,
                         top + static_cast<ptrdiff_t>(half) * stride, stride);
        } else {
            // Each scan line is coloured once, packed, and written as both
            // of its rows.
            for (uint32_t r = 0; r < rows; r += 2) {
                hires_colour_rows(lines.data() + r / 2 * width, width, first + r, 1, sink.width, blur,
                                  colours.data(), 0, work);
                uint8_t* out = top + static_cast<ptrdiff_t>(r) * stride;
                pack_row(out, colours.data(), sink.width, sink.bits_per_pixel);
                if (r + 1 < rows) std::memcpy(out + stride, out, sink.row_bytes);
            }
        }
        if (band_buffer_write(band, sink, rows) < 0) return -1;
    }
}
