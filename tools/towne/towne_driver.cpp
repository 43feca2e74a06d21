// The town tool run: options, shapes, the output picture and 17 towns.
#include "towne_driver.h"

#include <cstdio>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "bitmap.h"
#include "cli.h"
#include "picture_output.h"
#include "row_sink.h"
#include "tile_sheet.h"
#include "shapes.h"
#include "tiled.h"
#include "towne.h"

static_assert(sizeof(kTownTable) / sizeof(kTownTable[0]) == kTownCount);

namespace {

constexpr int32_t kMinShapeRows = 16;
constexpr uint32_t kSheetColumns = 16;

bool is(const char* arg, const char* a, const char* b = nullptr, const char* c = nullptr)
{
    return std::strcmp(arg, a) == 0 || (b && std::strcmp(arg, b) == 0) || (c && std::strcmp(arg, c) == 0);
}

// The word after option i, or null (after printing message) when there is none.
const char* option_argument(int argc, char** argv, int* i, const char* message)
{
    if (*i + 1 >= argc) {
        std::puts(message);
        return nullptr;
    }
    ++*i;
    return argv[*i];
}

int load_shapes(const TowneSettings& settings, ShapeSet& shapes, ShapeMask& mask)
{
    if (settings.use_sheets) {
        if (!settings.shape_bitmap) {
            std::puts("error: shape bitmap is not specified");
            return -1;
        }
        const auto rows = static_cast<uint32_t>(settings.shape_rows);
        if (read_shape_bitmap(settings.shape_bitmap, shapes, kSheetColumns, rows) < 0) {
            std::printf("error: read shape bitmap '%s'\n", settings.shape_bitmap);
            return -1;
        }
        if (settings.mask_bitmap &&
            read_mask_bitmap(settings.mask_bitmap, mask, shapes.tile_width, shapes.tile_height,
                             kSheetColumns, rows) < 0) {
            std::printf("error: read mask bitmap '%s'\n", settings.mask_bitmap);
            return -1;
        }
        return 0;
    }
    const TowneVariant& variant = *settings.variant;
    ShapeMask* wanted_mask = settings.no_mask ? nullptr : &mask;
    int result;
    if (variant.port == TownePort::kPc98)
        result = load_pc98_shapes(settings.arvelon_disk, settings.morvane_disk, variant.data_offset,
                                  shapes, wanted_mask, 1);
    else
        result = load_x68k_shapes(settings.arvelon_disk, variant.data_offset, shapes, wanted_mask, 1);
    if (result < 0) {
        std::puts("error: read shapes from disk image");
        return -1;
    }
    return 0;
}

// The atlas layer of a town: named like its picture, after the port, with
// what changes the look.
AtlasLayerInfo atlas_layer(const TowneSettings& settings, uint32_t index)
{
    const TownEntry& town = kTownTable[index];
    const bool pc98 = settings.variant->port == TownePort::kPc98;
    std::string stem = town.file_name;
    if (stem.rfind("vorn.", 0) == 0) stem.erase(0, 5);
    if (stem.size() > 4) stem.resize(stem.size() - 4);
    AtlasLayerInfo layer;
    layer.name = std::string(pc98 ? "town-pc98-" : "town-x68k-") + stem;
    layer.title = std::string(town.display_name) + (pc98 ? " (PC-98)" : " (X68000)");
    layer.kind = "town";
    layer.port = pc98 ? "pc98" : "x68k";
    layer.order = (pc98 ? 1000 : 2000) + 10 * index;
    if (settings.use_sheets) {
        atlas_layer_add(layer, "sheet", "sheet");
        layer.order += 1;
    }
    if (settings.use_sheets ? !settings.mask_bitmap : settings.no_mask) {
        atlas_layer_add(layer, "nomask", "no mask");
        layer.order += 2;
    }
    if (settings.no_npcs) {
        atlas_layer_add(layer, "nopeople", "no people");
        layer.order += 4;
    }
    return layer;
}

// Each town is translated (with its warnings) after its progress line and
// before its file is opened, then composed as it is written.
int draw_and_write_towns(const TowneSettings& settings, const ShapeSet& shapes, const ShapeMask& mask,
                         uint32_t width, uint32_t height, std::span<const uint8_t> towns, RowSink& sink,
                         PictureOutput& output)
{
    const bool fits = town_shapes_fit(shapes, mask);
    TileSheet sheet;
    if (fits) tile_sheet_prepare(sheet, shapes, mask.pixels.empty() ? nullptr : &mask, true);
    std::array<TownTile, kTownTiles> plan;
    BandBuffer band;
    for (uint32_t i = 0; i < kTownCount; ++i) {
        const TownEntry& town = kTownTable[i];
        std::printf("[%s]\n", town.display_name);
        if (!fits) {
            // Only shape sets without 256 shapes of one size get here.
            std::printf("error: draw town map '%s'\n", town.display_name);
            return -1;
        }
        town_plan(plan, towns.subspan(i * kTownRecordBytes, kTownRecordBytes), settings.no_npcs,
                  !mask.pixels.empty());
        picture_output_name(output, cli_output(town.file_name, 0, settings.png), atlas_layer(settings, i));
        if (picture_output_open(output, sink, width, height, shapes.bits_per_pixel, shapes.palette) < 0 ||
            town_map_write(sink, sheet, plan, band) < 0 || picture_output_close(output, sink) < 0) {
            std::printf("error: write bitmap file '%s'\n", output.name.c_str());
            picture_output_abort(output, sink);
            return -1;
        }
    }
    return 0;
}

// The 17 towns as Tiled maps: every town is translated (with its line and
// warnings) first, then the tilesets and the maps are written. Each map has
// the town's tiles on "ground", the shapes laid over them through the mask
// on "over" and the people on "people".
int write_tiled_towns(const TowneSettings& settings, const ShapeSet& shapes, const ShapeMask& mask,
                      std::span<const uint8_t> towns)
{
    const TowneVariant& variant = *settings.variant;
    const bool has_mask = !mask.pixels.empty();
    TiledRun run;
    tiled_run_init(run, settings.view.tiled, variant.tool_name, nullptr, shapes, has_mask ? &mask : nullptr,
                   settings.use_sheets, settings.overwrite);
    std::string options;
    if (settings.use_sheets && settings.shape_bitmap) options += std::string("-s ") + settings.shape_bitmap + " ";
    if (settings.shape_rows != variant.max_shape_rows) options += "-r " + std::to_string(settings.shape_rows) + " ";
    if (settings.use_sheets && settings.mask_bitmap) options += std::string("-m ") + settings.mask_bitmap + " ";
    if (settings.no_mask) options += "-M ";
    if (settings.no_npcs) options += "-n ";
    tiled_describe(run, variant.port == TownePort::kPc98 ? "PC-98" : "X68000", variant.tool_name, options);
    const bool fits = town_shapes_fit(shapes, mask);
    std::array<TownTile, kTownTiles> plan;
    for (uint32_t i = 0; i < kTownCount; ++i) {
        const TownEntry& town = kTownTable[i];
        std::printf("[%s]\n", town.display_name);
        if (!fits) {
            std::printf("error: draw town map '%s'\n", town.display_name);
            return -1;
        }
        const std::span<const uint8_t> record = towns.subspan(i * kTownRecordBytes, kTownRecordBytes);
        town_plan(plan, record, settings.no_npcs, has_mask);
        TiledMap& map = run.maps.emplace_back();
        map.file = tiled_map_name(town.file_name);
        map.width = kTownTilesAcross;
        map.height = kTownTilesDown;
        map.properties = {{"map_file", "TOWNE.BIN"},
                          {"town", std::to_string(i), "int"},
                          {"town_name", town.display_name}};
        TiledLayer bytes{"map bytes", false, std::vector<uint32_t>(kTownTiles)};
        TiledLayer ground{"ground", true, std::vector<uint32_t>(kTownTiles)};
        TiledLayer over{"over", true, std::vector<uint32_t>(kTownTiles)};
        TiledLayer people{"people", true, std::vector<uint32_t>(kTownTiles)};
        for (size_t at = 0; at < kTownTiles; ++at) {
            const TownTile& tile = plan[at];
            bytes.cells[at] = uint32_t{record[at]} + 1;
            const TiledStack stack =
                tiled_stack(run, static_cast<uint32_t>(tile.shape),
                            tile.beneath == kTownNone ? kTiledNone : static_cast<uint32_t>(tile.beneath));
            ground.cells[at] = stack.ground;
            over.cells[at] = stack.over;
            if (tile.person != kTownNone) {
                const auto person = static_cast<uint32_t>(tile.person);
                people.cells[at] = has_mask ? tiled_masked_gid(run, person) : tiled_gid(run, person);
            }
        }
        map.layers = {std::move(bytes), std::move(ground), std::move(over), std::move(people)};
    }
    return tiled_write(run);
}

}  // namespace

void towne_default_settings(TowneSettings& settings, const TowneVariant& variant)
{
    settings = TowneSettings{};
    settings.variant = &variant;
    settings.arvelon_disk = variant.arvelon_disk;
    settings.morvane_disk = variant.morvane_disk;
    settings.shape_rows = variant.max_shape_rows;
}

void towne_print_usage(const TowneVariant& variant)
{
    std::printf("usage: %s [options]\n", variant.tool_name);
    std::puts("option:");
    std::puts("        -d1|--disk1|--arvelon-disk    DISK-IMG");
    std::puts("                                specify arvelon disk");
    std::printf("                                read '%s' if not specified\n", variant.arvelon_disk);
    std::puts("        -d2|--disk2|--morvane-disk DISK-IMG");
    std::puts("                                specify morvane disk");
    std::printf("                                read '%s' if not specified\n", variant.morvane_disk);
    std::puts("        -s|--shape SHAPE-BMP    read shape data from specified file");
    std::printf("        -r|--shape-rows NUM     specify number of shape rows (16-%d)\n",
                static_cast<int>(variant.max_shape_rows));
    std::puts("        -m|--mask  MASK-BMP     read mask data from specified file");
    std::puts("        -M|--no-mask            not use mask data");
    std::puts("        -n|--no-npcs                draw no NPCs");
    std::puts("           --overwrite              overwrite output files");
    std::puts("        -?|--help                   print usage");
    std::puts("           --png                    write PNG instead of BMP");
    std::puts("           --export-shapes SHAPE-BMP  write shapes to specified file");
    std::puts("           --export-mask MASK-BMP     write mask to specified file");
    std::puts("           --version                print version");
    cli_print_view_usage();
}

int parse_arguments(TowneSettings& settings, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-') {
            std::printf("error: illegal parameter '%s'\n", arg);
            continue;
        }
        if (is(arg, "-?", "--help")) {
            towne_print_usage(*settings.variant);
            return kTowneExitFailure;
        }
        if (is(arg, "--version")) {
            cli_print_version(settings.variant->tool_name);
            return kCliVersionShown;
        }
        if (is(arg, "-d1", "--disk1", "--arvelon-disk")) {
            const char* name = option_argument(argc, argv, &i, "error: no disk image name");
            if (!name) return kTowneExitFailure;
            settings.arvelon_disk = name;
        } else if (is(arg, "-d2", "--disk2", "--morvane-disk")) {
            const char* name = option_argument(argc, argv, &i, "error: no disk image name");
            if (!name) return kTowneExitFailure;
            settings.morvane_disk = name;
        } else if (is(arg, "-s", "--shape")) {
            const char* name = option_argument(argc, argv, &i, "error: no bitmap name");
            if (!name) return kTowneExitFailure;
            settings.shape_bitmap = name;
            settings.use_sheets = 1;
        } else if (is(arg, "-r", "--shape-rows")) {
            const char* word = option_argument(argc, argv, &i, "error: no shape rows");
            if (!word) return kTowneExitFailure;
            int32_t rows = 0;
            if (cli_parse_number(word, &rows) < 0 || rows < kMinShapeRows ||
                rows > settings.variant->max_shape_rows) {
                std::printf("error: illegal shape rows '%s'\n", word);
                return kTowneExitFailure;
            }
            settings.shape_rows = rows;
        } else if (is(arg, "-m", "--mask")) {
            const char* name = option_argument(argc, argv, &i, "error: no bitmap name");
            if (!name) return kTowneExitFailure;
            settings.mask_bitmap = name;
            settings.use_sheets = 1;
        } else if (is(arg, "-M", "--no-mask")) {
            settings.no_mask = 1;
            settings.mask_bitmap = nullptr;
        } else if (is(arg, "-n", "--no-npcs")) {
            settings.no_npcs = 1;
        } else if (is(arg, "--overwrite")) {
            settings.overwrite = 1;
        } else if (is(arg, "--png")) {
            settings.png = 1;
        } else if (const int matched = cli_export_option(settings.exports, argc, argv, &i, 1); matched != 0) {
            if (matched < 0) return kTowneExitFailure;
        } else if (const int view = cli_view_option(settings.view, argc, argv, &i, kTownTilesAcross); view != 0) {
            if (view < 0) return kTowneExitFailure;
        } else {
            std::printf("error: unknown option '%s'\n", arg);
            return kTowneExitFailure;
        }
    }
    const bool has_mask = settings.use_sheets ? settings.mask_bitmap != nullptr : !settings.no_mask;
    if (cli_export_check(settings.exports, has_mask) < 0 || cli_view_check(settings.view) < 0)
        return kTowneExitFailure;
    return 0;
}

int towne_run(const TowneSettings& settings)
{
    // The records of the run live here until the end; their buffers are
    // released on every path when they go out of scope.
    ShapeSet shapes;
    ShapeMask mask;
    RowSink sink;
    std::vector<uint8_t> towns;
    PictureOutput output;

    if (load_shapes(settings, shapes, mask) < 0) return kTowneExitFailure;
    if (cli_exporting(settings.exports))
        return cli_export_sheets(settings.exports, shapes, &mask, settings.overwrite) < 0 ? kTowneExitFailure : 0;
    uint32_t width = 0, height = 0;
    if (bitmap_size_check(shapes, kTownTilesAcross, kTownTilesDown, &width, &height) < 0) {
        std::puts("error: memory exhausted!");
        return kTowneExitFailure;
    }
    if (cli_view_check_size(settings.view, kTownTilesAcross, shapes.tile_width, shapes.tile_height) < 0)
        return kTowneExitFailure;
    try {
        towns.assign(kTownDataBytes, 0);
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        return kTowneExitFailure;
    }
    if (read_town_data(towns, settings.morvane_disk, settings.variant->data_offset) < 0) {
        std::printf("error: read image file '%s'\n", settings.morvane_disk);
        return kTowneExitFailure;
    }
    // The page of an atlas lists the towns put in place, also when a later
    // one fails.
    int status = 0;
    try {
        if (settings.view.tiled) return write_tiled_towns(settings, shapes, mask, towns) < 0 ? kTowneExitFailure : 0;
        picture_output_init(output, settings.view, kTownTilesAcross, settings.overwrite);
        if (picture_output_begin(output) < 0) return kTowneExitFailure;
        if (draw_and_write_towns(settings, shapes, mask, width, height, towns, sink, output) < 0)
            status = kTowneExitFailure;
    } catch (const std::bad_alloc&) {
        picture_output_abort(output, sink);
        std::puts("error: memory exhausted!");
        status = kTowneExitFailure;
    }
    try {
        if (picture_output_end(output) < 0) status = kTowneExitFailure;
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        status = kTowneExitFailure;
    }
    return status;
}
