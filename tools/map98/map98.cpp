// The world map run of the PC-98 and X68000 ports: shapes from the disk
// images or from sheets, MAP.BIN out of the second disk image, the layered
// composer and the BMP writer.
#include "map98.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "bitmap.h"
#include "cli.h"
#include "row_sink.h"
#include "tile_sheet.h"
#include "diskimage.h"
#include "layered_map.h"
#include "picture_output.h"
#include "shapes.h"
#include "tiled.h"
#include "worldmap.h"

namespace {

int load_shapes(const Map98Settings& settings, ShapeSet& shapes, ShapeMask& mask)
{
    if (settings.use_sheets) {
        if (!settings.shape_sheet) {
            std::puts("error: shape bitmap is not specified");
            return -1;
        }
        const auto rows = static_cast<uint32_t>(settings.shape_rows);
        if (read_shape_bitmap(settings.shape_sheet, shapes, 16, rows) < 0) {
            std::printf("error: read shape bitmap '%s'\n", settings.shape_sheet);
            return -1;
        }
        if (settings.mask_sheet &&
            read_mask_bitmap(settings.mask_sheet, mask, shapes.tile_width, shapes.tile_height,
                             16, rows) < 0) {
            std::printf("error: read mask bitmap '%s'\n", settings.mask_sheet);
            return -1;
        }
        return 0;
    }
    ShapeMask* wanted_mask = settings.no_mask ? nullptr : &mask;
    const Map98Port& port = *settings.port;
    const int result =
        port.loader == Map98Loader::kPc98
            ? load_pc98_shapes(settings.arvelon_disk, settings.morvane_disk, port.data_offset,
                               shapes, wanted_mask, 1)
            : load_x68k_shapes(settings.arvelon_disk, port.data_offset, shapes, wanted_mask, 1);
    if (result < 0) {
        std::puts("error: read shapes from disk image");
        return -1;
    }
    return 0;
}

// The options that shape the picture, as command-line words.
std::string look_options(const Map98Settings& settings)
{
    std::string words;
    if (settings.shape_sheet && settings.use_sheets) words += std::string("-s ") + settings.shape_sheet + " ";
    if (settings.shape_rows != settings.port->max_shape_rows) words += "-r " + std::to_string(settings.shape_rows) + " ";
    if (settings.mask_sheet && settings.use_sheets) words += std::string("-m ") + settings.mask_sheet + " ";
    if (settings.no_mask) words += "-M ";
    if (settings.no_shores) words += "-n ";
    return words + tiled_site_options(settings.gates, settings.balloon);
}

// The world as a Tiled map: the translated tiles on "ground", the shapes laid
// over them through the mask on "shores", the gates and the balloon on
// "gates".
int write_tiled(const Map98Settings& settings, const ShapeSet& shapes, const ShapeMask& mask,
                std::span<const uint8_t> map, std::span<const LayeredTile> plan)
{
    const Map98Port& port = *settings.port;
    TiledRun run;
    tiled_run_init(run, settings.view.tiled, port.tool_name, nullptr, shapes,
                   layered_mask_fits(shapes, mask) ? &mask : nullptr, settings.use_sheets, settings.overwrite);
    tiled_describe(run, port.loader == Map98Loader::kPc98 ? "PC-98" : "X68000", port.tool_name,
                   look_options(settings));
    TiledMap& world = tiled_add_world(run, tiled_map_name(Map98Settings{}.output), map, kLayeredChunkEdge,
                                      settings.gates, settings.balloon);
    world.properties.push_back({"map_file", kMap98MapFile});
    world.properties.push_back({"shores", settings.no_shores ? "false" : "true", "bool"});
    const size_t cells = size_t{kWorldTiles} * kWorldTiles;
    TiledLayer ground{"ground", true, std::vector<uint32_t>(cells)};
    TiledLayer shores{"shores", true, std::vector<uint32_t>(cells)};
    TiledLayer sites{"gates", true, std::vector<uint32_t>(cells)};
    for (uint32_t y = 0; y < kWorldTiles; ++y)
        for (uint32_t x = 0; x < kWorldTiles; ++x) {
            const size_t at = size_t{y} * kWorldTiles + x;
            const LayeredTile& tile = plan[at];
            const TiledStack stack = tiled_stack(run, tile.shape, tile.beneath);
            const bool site = world_gate_at(settings.gates, x, y) ||
                              (settings.balloon && x == kBalloonSite.x && y == kBalloonSite.y);
            ground.cells[at] = stack.ground;
            if (!site) {
                shores.cells[at] = stack.over;
            } else if (stack.over != 0) {
                sites.cells[at] = stack.over;
            } else {
                // Drawn whole over nothing: the shape beneath on the ground.
                sites.cells[at] = stack.ground;
                ground.cells[at] = tile.beneath == kNoBeneath ? 0 : tiled_gid(run, tile.beneath);
            }
        }
    world.layers.push_back(std::move(ground));
    world.layers.push_back(std::move(shores));
    world.layers.push_back(std::move(sites));
    return tiled_write(run) < 0 ? 1 : 0;
}

// The atlas layer of the run: the port and what changes the look.
AtlasLayerInfo atlas_layer(const Map98Settings& settings)
{
    const bool pc98 = settings.port->loader == Map98Loader::kPc98;
    AtlasLayerInfo layer;
    layer.name = pc98 ? "world-pc98" : "world-x68k";
    layer.title = pc98 ? "PC-98" : "X68000";
    layer.kind = "world";
    layer.port = pc98 ? "pc98" : "x68k";
    layer.order = pc98 ? 200 : 300;
    if (settings.use_sheets) {
        atlas_layer_add(layer, "sheet", "sheet");
        layer.order += 1;
    }
    if (settings.use_sheets ? !settings.mask_sheet : settings.no_mask) {
        atlas_layer_add(layer, "nomask", "no mask");
        layer.order += 2;
    } else if (settings.no_shores && settings.shape_rows >= kMap98ShoreShapeRows) {
        atlas_layer_add(layer, "noshores", "no shores");
        layer.order += 4;
    }
    return layer;
}

int run(const Map98Settings& settings, ShapeSet& shapes, ShapeMask& mask, RowSink& sink,
        std::vector<uint8_t>& map, PictureOutput& output)
{
    if (load_shapes(settings, shapes, mask) < 0) return 1;
    if (cli_exporting(settings.exports))
        return cli_export_sheets(settings.exports, shapes, &mask, settings.overwrite) < 0 ? 1 : 0;
    uint32_t width = 0, height = 0;
    if (bitmap_size_check(shapes, kWorldTiles, kWorldTiles, &width, &height) < 0) {
        std::puts("error: memory exhausted!");
        return 1;
    }
    if (cli_view_check_size(settings.view, kWorldTiles, shapes.tile_width, shapes.tile_height) < 0) return 1;
    // Bytes past the end of a short MAP.BIN stay 0.
    map.assign(kWorldMapBytes, 0);
    if (read_map_data(settings.morvane_disk, kMap98MapFile, map, settings.port->data_offset) <
        0) {
        std::printf("error: read map data '%s/%s'\n", settings.morvane_disk, kMap98MapFile);
        return 1;
    }
    // The whole map is translated (with its warnings) before the file is
    // opened; the picture is then composed a band at a time as it is written.
    std::vector<LayeredTile> plan;
    layered_plan(plan, map, settings.gates, settings.balloon, settings.no_shores);
    if (settings.view.tiled) return write_tiled(settings, shapes, mask, map, plan);
    TileSheet sheet;
    tile_sheet_prepare(sheet, shapes, layered_mask_fits(shapes, mask) ? &mask : nullptr, true);
    picture_output_init(output, settings.view, kWorldTiles, settings.overwrite);
    picture_output_name(output, cli_output(settings.output, settings.output_given, settings.png),
                        atlas_layer(settings));
    if (picture_output_begin(output) < 0) return 1;
    if (picture_output_open(output, sink, width, height, shapes.bits_per_pixel, shapes.palette) < 0 ||
        layered_map_write(sink, sheet, plan) < 0 || picture_output_close(output, sink) < 0) {
        std::printf("error: write bitmap file '%s'\n", output.name.c_str());
        picture_output_abort(output, sink);
        return 1;
    }
    return picture_output_end(output) < 0 ? 1 : 0;
}

}  // namespace

int read_map_data(const char* image_name, const char* file_name, std::span<uint8_t> buffer,
                  uint32_t data_offset)
{
    DiskImage image;
    int result = -1;
    if (disk_image_open(image, image_name, data_offset) < 0) {
        std::printf("error: read disk image '%s'\n", image_name);
    } else if (disk_image_read_file(image, file_name, buffer, 1) < 0) {
        std::printf("error: read disk image '%s/%s'\n", image_name, file_name);
    } else {
        result = 0;
    }
    disk_image_close(image);
    return result;
}

int map98_run(const Map98Settings& settings)
{
    // The records of the run live here from start to exit and free their
    // buffers when it ends, whatever happened.
    ShapeSet shapes;
    ShapeMask mask;
    RowSink sink;
    std::vector<uint8_t> map;
    PictureOutput output;
    try {
        return run(settings, shapes, mask, sink, map, output);
    } catch (const std::bad_alloc&) {
        picture_output_abort(output, sink);
        std::puts("error: memory exhausted!");
        return 1;
    }
}
