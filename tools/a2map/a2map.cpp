#include "a2map.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "a2_container.h"
#include "bitmap.h"
#include "cli.h"
#include "row_sink.h"
#include "dos33.h"
#include "hires.h"
#include "picture_output.h"
#include "retouch.h"
#include "stdio_file.h"
#include "tile_sheet.h"
#include "tiled.h"
#include "worldmap.h"

namespace {

constexpr uint32_t kChunkEdge = 16;

bool is(const char* arg, const char* a, const char* b = nullptr, const char* c = nullptr)
{
    return std::strcmp(arg, a) == 0 || (b && std::strcmp(arg, b) == 0) ||
           (c && std::strcmp(arg, c) == 0);
}

// The atlas layer of the run: how the tiles are coloured, or the sheet's
// tiles uncoloured.
AtlasLayerInfo atlas_layer(const A2MapSettings& settings)
{
    AtlasLayerInfo layer;
    layer.name = "world-a2";
    layer.title = "Apple II";
    layer.kind = "world";
    layer.port = "a2";
    layer.order = 400;
    if (settings.use_sheet) {
        atlas_layer_add(layer, "sheet", "sheet");
        layer.order += 3;
    } else if (settings.blur == 1) {
        atlas_layer_add(layer, "blur", "blurred");
        layer.order += 1;
    } else if (settings.blur >= 2) {
        atlas_layer_add(layer, "retouch", "retouched");
        layer.order += 2;
    }
    return layer;
}

}  // namespace

void a2map_print_usage()
{
    std::printf("usage: %s [options]\n", kA2ToolName);
    std::puts("option:");
    std::puts("        -d1|--disk1|--program-disk   DISK-IMG");
    std::puts("                                specify program disk");
    std::printf("                                read '%s' if not specified\n", kA2DefaultProgramDisk);
    std::puts("        -d2|--disk2|--morvane-disk DISK-IMG");
    std::puts("                                specify morvane disk");
    std::printf("                                read '%s' if not specified\n", kA2DefaultMorvaneDisk);
    std::puts("        --do|--po               specify sector order of disk image");
    std::puts("                                    --do    DOS 3.3 order (default)");
    std::puts("                                    --po    ProDOS order");
    std::puts("        -B|--blur               blur graphics");
    std::puts("        -s|--shape SHAPE-BMP    read shape data from specified file");
    std::puts("        -o|--output OUTPUT-BMP  write bitmap to specified file");
    std::puts("        -g|--gates              draw all moon gates");
    std::puts("        -p|--phase NUM          draw moon gate of specified phase (1-8)");
    std::puts("        -b|--baloon             draw baloon");
    std::puts("           --overwrite          overwrite output file");
    std::puts("        -?|--help               print usage");
    std::puts("           --png                write PNG instead of BMP");
    std::puts("           --export-shapes SHAPE-BMP  write shapes to specified file");
    std::puts("           --version            print version");
    cli_print_view_usage();
}

int a2map_parse_arguments(A2MapSettings& settings, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg[0] != '-') {
            std::printf("error: illegal parameter '%s'\n", arg);
        } else if (is(arg, "-?", "--help")) {
            a2map_print_usage();
            return 1;
        } else if (is(arg, "--version")) {
            cli_print_version(kA2ToolName);
            return kCliVersionShown;
        } else if (is(arg, "-d1", "--disk1", "--program-disk")) {
            if (!next) {
                std::puts("error: no disk image name");
                return 1;
            }
            settings.program_disk = next;
            ++i;
        } else if (is(arg, "-d2", "--disk2", "--morvane-disk")) {
            if (!next) {
                std::puts("error: no disk image name");
                return 1;
            }
            settings.morvane_disk = next;
            ++i;
        } else if (is(arg, "--do")) {
            settings.sector_order = kSectorOrderDos;
        } else if (is(arg, "--po")) {
            settings.sector_order = kSectorOrderProdos;
        } else if (is(arg, "-B", "--blur")) {
            if (settings.blur < kA2MaxBlur) ++settings.blur;
        } else if (is(arg, "-s", "--shape")) {
            if (!next) {
                std::puts("error: no bitmap name");
                return 1;
            }
            settings.shape_sheet = next;
            settings.use_sheet = 1;
            ++i;
        } else if (is(arg, "-o", "--output")) {
            if (!next) {
                std::puts("error: no output name");
                return 1;
            }
            settings.output = next;
            settings.output_given = 1;
            ++i;
        } else if (is(arg, "-g", "--gates")) {
            settings.gates = 255;
        } else if (is(arg, "-p", "--phase")) {
            if (!next) {
                std::puts("error: no phase value");
                return 1;
            }
            if (cli_add_phase(next, &settings.gates) < 0) return 1;
            ++i;
        } else if (is(arg, "-b", "--baloon")) {
            settings.balloon = 1;
        } else if (is(arg, "--overwrite")) {
            settings.overwrite = 1;
        } else if (is(arg, "--png")) {
            settings.png = 1;
        } else if (const int matched = cli_export_option(settings.exports, argc, argv, &i, 0); matched != 0) {
            if (matched < 0) return 1;
        } else if (const int view = cli_view_option(settings.view, argc, argv, &i, kWorldTiles); view != 0) {
            if (view < 0) return 1;
        } else {
            std::printf("error: unknown option '%s'\n", arg);
            return 1;
        }
    }
    return cli_view_check(settings.view) < 0 ? 1 : 0;
}

namespace {

// The first bytes of the disk from a container file whose first bytes (head)
// were read: the file is read whole and decoded, as far as the buffer needs
// tracks, and the buffer filled in DOS 3.3 logical order from the sectors in
// the container's own order.
int read_container(const char* path, FILE* fp, std::vector<uint8_t>& file, int kind, std::span<uint8_t> buffer)
{
    if (const int got = a2_container_read_rest(file, fp, path); got < 0) {
        if (got == -1) std::printf("error: read '%s'\n", path);
        return -1;
    }
    const uint32_t tracks = static_cast<uint32_t>(
        std::min<uint64_t>((buffer.size() + kDos33TrackBytes - 1) / kDos33TrackBytes, kA2AllTracks));
    A2SectorRun run;
    if (a2_container_decode(run, path, file, kind, tracks) < 0) return -1;
    const auto& table = dos33_order_table(run.order);
    for (size_t done = 0, piece = 0; done < buffer.size(); done += kDos33SectorBytes, ++piece) {
        const size_t n = std::min<size_t>(kDos33SectorBytes, buffer.size() - done);
        const uint64_t offset = dos33_sector_offset(table, static_cast<uint32_t>(piece / 16), piece % 16);
        if (offset >= run.image.size() || run.image.size() - offset < n) {
            std::printf("error: read '%s'\n", path);
            return -1;
        }
        const size_t index = static_cast<size_t>(offset / kDos33SectorBytes);
        if (index < run.faults.size() && !run.faults[index].empty()) {
            std::puts(run.faults[index].c_str());
            return -1;
        }
        std::copy_n(run.image.begin() + static_cast<std::ptrdiff_t>(offset), n,
                    buffer.begin() + static_cast<std::ptrdiff_t>(done));
    }
    return 0;
}

// The world as a Tiled map. Artifact colours depend on the neighbouring
// tiles, which no tileset can give: the tiles are the half dots before
// colouring, as --export-shapes writes them, and the map is what -s with that
// sheet draws.
int write_tiled(const A2MapSettings& settings, const ShapeSet& shapes, std::span<const uint8_t> map)
{
    TiledRun run;
    tiled_run_init(run, settings.view.tiled, kA2ToolName, nullptr, shapes, nullptr, settings.use_sheet,
                   settings.overwrite);
    const std::string sheet = settings.use_sheet ? std::string("-s ") + settings.shape_sheet + " " : "";
    tiled_describe(run, "Apple II", kA2ToolName, sheet + tiled_site_options(settings.gates, settings.balloon));
    TiledMap& world = tiled_add_world(run, tiled_map_name(kA2DefaultOutput), map, kChunkEdge, settings.gates,
                                      settings.balloon);
    world.properties.push_back({"map_file", "the first 16 tracks of the map disk"});
    world.properties.push_back(
        {"colours", "uncoloured: the half dots before artifact colouring (1 lit, 0 dark, 15 at the start of a "
                    "shifted byte), as vorna2map -s draws them with the sheet of --export-shapes"});
    tiled_plain_world_layers(run, world, map, kChunkEdge, settings.gates, settings.balloon);
    return tiled_write(run) < 0 ? 1 : 0;
}

}  // namespace

int read_image_file(const char* path, int order, std::span<uint8_t> buffer)
{
    UniqueFile fp = open_file(path, "rb");
    if (!fp) {
        std::printf("error: open '%s'\n", path);
        return -1;
    }
    // The first bytes tell a container, which is decoded whatever the order.
    std::vector<uint8_t> head(kA2ProbeBytes);
    head.resize(std::fread(head.data(), 1, head.size(), fp.get()));
    if (const int kind = a2_container_probe(head); kind != kA2Plain)
        return read_container(path, fp.get(), head, kind, buffer);
    if (order != kSectorOrderProdos) {
        const size_t from_head = std::min(head.size(), buffer.size());
        std::copy_n(head.begin(), from_head, buffer.begin());
        const size_t rest = buffer.size() - from_head;
        if (rest > 0 && std::fread(buffer.data() + from_head, 1, rest, fp.get()) != rest) {
            std::printf("error: read '%s'\n", path);
            return -1;
        }
        return 0;
    }
    // Piece i is logical sector i mod 16 of track i / 16.
    for (size_t done = 0, piece = 0; done < buffer.size(); done += kDos33SectorBytes, ++piece) {
        const size_t n = std::min<size_t>(kDos33SectorBytes, buffer.size() - done);
        const uint64_t offset =
            dos33_sector_offset(kProdosSectorOrder, static_cast<uint32_t>(piece / 16), piece % 16);
        if (offset > INT64_MAX || file_seek64(fp.get(), static_cast<int64_t>(offset), SEEK_SET) != 0) {
            std::printf("error: seek '%s'\n", path);
            return -1;
        }
        if (std::fread(buffer.data() + done, 1, n, fp.get()) != n) {
            std::printf("error: read '%s'\n", path);
            return -1;
        }
    }
    return 0;
}

int a2map_run(const A2MapSettings& settings)
{
    ShapeSet shapes;
    RowSink sink;
    std::vector<uint8_t> map;
    PictureOutput output;
    try {
        if (settings.use_sheet) {
            if (read_shape_bitmap(settings.shape_sheet, shapes, 16, kA2SheetRows) < 0) {
                std::printf("error: read shape bitmap '%s'\n", settings.shape_sheet);
                return 1;
            }
        } else if (load_hires_shapes(settings.program_disk, settings.sector_order, shapes) < 0) {
            std::puts("error: read shapes from disk image");
            return 1;
        }
        // The sheet holds the sub-pixels before colouring: what -s draws.
        if (cli_exporting(settings.exports))
            return cli_export_sheets(settings.exports, shapes, nullptr, settings.overwrite) < 0 ? 1 : 0;
        uint32_t width = 0, height = 0;
        if (bitmap_size_check(shapes, kWorldTiles, kWorldTiles, &width, &height) < 0) {
            std::puts("error: memory exhausted!");
            return 1;
        }
        if (cli_view_check_size(settings.view, kWorldTiles, shapes.tile_width, shapes.tile_height) < 0) return 1;
        map.resize(kWorldMapBytes);
        if (read_image_file(settings.morvane_disk, settings.sector_order, map) < 0) {
            std::printf("error: read image file '%s'\n", settings.morvane_disk);
            return 1;
        }
        if (settings.view.tiled) return write_tiled(settings, shapes, map);
        // The picture is composed, coloured or retouched a band at a time as
        // it is written; a sheet's shapes are drawn as they are.
        const bool retouched = !settings.use_sheet && settings.blur >= 2;
        RetouchWork* retouch = nullptr;
        std::vector<RetouchWork> work;
        if (retouched) {
            work.resize(1);
            retouch = &work[0];
            if (retouch_work_init(*retouch, width, height) < 0) {
                std::puts("error: can't retouch bitmap");
                return 1;
            }
        }
        TileSheet sheet;
        if (settings.use_sheet) tile_sheet_prepare(sheet, shapes, nullptr, true);
        picture_output_init(output, settings.view, kWorldTiles, settings.overwrite);
        picture_output_name(output, cli_output(settings.output, settings.output_given, settings.png),
                            atlas_layer(settings));
        if (picture_output_begin(output) < 0) return 1;
        const uint32_t bits = retouched ? 24 : shapes.bits_per_pixel;
        const std::span<const uint8_t> palette = retouched ? std::span<const uint8_t>() : shapes.palette;
        if (picture_output_open(output, sink, width, height, bits, palette) < 0 ||
            (settings.use_sheet ? world_map_write(sink, sheet, map, settings.gates, settings.balloon, kChunkEdge)
                                : a2map_write_coloured(sink, shapes, map, settings.gates, settings.balloon,
                                                       settings.blur, retouch)) < 0 ||
            picture_output_close(output, sink) < 0) {
            std::printf("error: write bitmap file '%s'\n", output.name.c_str());
            picture_output_abort(output, sink);
            return 1;
        }
        return picture_output_end(output) < 0 ? 1 : 0;
    } catch (const std::bad_alloc&) {
        picture_output_abort(output, sink);
        std::puts("error: memory exhausted!");
        return 1;
    }
}
