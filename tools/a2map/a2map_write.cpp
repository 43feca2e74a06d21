// The Apple II map written as it is composed: a band of tile rows at a time,
// only the even rows (the scan lines) composed, each coloured or retouched
// into the two picture rows it stands for.
#include <algorithm>
#include <new>
#include <vector>

#include "a2map.h"
#include "hires.h"
#include "retouch.h"
#include "tile_sheet.h"
#include "worldmap.h"

namespace {

constexpr uint32_t kChunkEdge = 16;
constexpr size_t kBandBytes = size_t{1} << 20;

}  // namespace

int a2map_write_coloured(RowSink& sink, const ShapeSet& shapes, std::span<const uint8_t> map, uint32_t gates,
                         int balloon, int blur, RetouchWork* retouch)
{
    TileSheet sheet;
    tile_sheet_prepare(sheet, shapes, nullptr, false);
    const uint32_t tile_rows = sheet.lines;  // picture rows per tile row
    tile_sheet_even_lines(sheet);
    const size_t width = sink.width;
    const uint32_t per_band = static_cast<uint32_t>(
        std::clamp<size_t>(kBandBytes / std::max<size_t>(sink.row_stride * tile_rows, 1), 1, kWorldTiles));
    std::vector<uint8_t> lines(size_t{per_band} * sheet.lines * width);
    BandBuffer band;
    HiresWork work;
    if (band_buffer_init(band, sink, per_band * tile_rows, retouch != nullptr) < 0) throw std::bad_alloc();
    for (uint32_t i = 0;; ++i) {
        const RowBand tiles = row_sink_band(sink, i, per_band, kWorldTiles);
        if (tiles.count == 0) return 0;
        world_map_draw_rows(sheet, map, gates, balloon, kChunkEdge, tiles.first, tiles.count, lines.data(),
                            static_cast<ptrdiff_t>(width));
        const uint32_t first = tiles.first * tile_rows;
        const uint32_t rows = tiles.count * tile_rows;
        ptrdiff_t stride = 0;
        uint8_t* top = band_buffer_target(band, sink, rows, &stride);
        if (retouch) retouch_rows(*retouch, lines.data(), width, first, rows, top, stride);
        else hires_colour_rows(lines.data(), width, first, rows, sink.width, blur, top, stride, work);
        if (band_buffer_write(band, sink, rows) < 0) return -1;
    }
}
