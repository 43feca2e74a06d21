#include "pcmap.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cli.h"
#include "picture_output.h"
#include "row_sink.h"
#include "stdio_file.h"
#include "tile_sheet.h"
#include "tiled.h"
#include "worldmap.h"

const uint8_t kPcPalette[16 * 4] = {
    0,   0,   0,   0, 170, 0,   0,   0, 0,   170, 0,   0, 170, 170, 0,   0,
    0,   0,   170, 0, 170, 0,   170, 0, 0,   85,  170, 0, 170, 170, 170, 0,
    85,  85,  85,  0, 255, 85,  85,  0, 85,  255, 85,  0, 255, 255, 85,  0,
    85,  85,  255, 0, 255, 85,  255, 0, 85,  255, 255, 0, 255, 255, 255, 0,
};

namespace {

constexpr const char* kProgramName = "vornpc_map";
constexpr const char* kMapFileName = "WORLD.MAP";
constexpr uint32_t kCgaToPalette[4] = {0, 3, 5, 7};

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

void print_usage()
{
    std::printf("usage: %s [options] [DATA-PATH]\n", kProgramName);
    std::puts("option:");
    std::puts("           --cga                read CGA version shapes");
    std::puts("           --ega                read EGA version shapes (default)");
    std::puts("        -s|--shape SHAPE-BMP    read shape data from specified file");
    std::puts("        -o|--output OUTPUT-BMP  write bitmap to specified file");
    std::puts("        -g|--gates              draw all moon gates");
    std::puts("        -p|--phase NUM          draw moon gate of specified phase (1-8)");
    std::puts("        -b|--baloon             draw baloon");
    std::puts("           --overwrite          overwrite output file");
    std::puts("        -?|--help               print usage");
    std::puts("read map data from current directory if not specified");
    std::puts("           --png                write PNG instead of BMP");
    std::puts("           --export-shapes SHAPE-BMP  write shapes to specified file");
    std::puts("           --version            print version");
    cli_print_view_usage();
}

bool is(const char* word, const char* a, const char* b = nullptr)
{
    return std::strcmp(word, a) == 0 || (b && std::strcmp(word, b) == 0);
}

// The path of a game file: the data directory, the separator and the name,
// or the bare name. An empty directory is the current directory.
bool join_path(const char* dir, const char* name, std::string& path)
{
    try {
        if (dir && *dir) {
            path = dir;
            path += kPathSeparator;
            path += name;
        } else {
            path = name;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The world as a Tiled map over the loaded shapes.
int write_tiled(const PcMapSettings& settings, const ShapeSet& shapes, std::span<const uint8_t> map)
{
    constexpr uint32_t kChunkEdge = 32;
    TiledRun run;
    tiled_run_init(run, settings.view.tiled, kProgramName, settings.cga && !settings.use_sheet ? "cga" : nullptr,
                   shapes, nullptr, settings.use_sheet, settings.overwrite);
    std::string options = settings.use_sheet ? std::string("-s ") + settings.shape_sheet + " "
                          : settings.cga     ? "--cga "
                                             : "";
    tiled_describe(run, "IBM PC", kProgramName, options + tiled_site_options(settings.gates, settings.balloon));
    TiledMap& world = tiled_add_world(run, tiled_map_name(PcMapSettings{}.output), map, kChunkEdge,
                                      settings.gates, settings.balloon);
    world.properties.push_back({"map_file", kMapFileName});
    tiled_plain_world_layers(run, world, map, kChunkEdge, settings.gates, settings.balloon);
    return tiled_write(run) < 0 ? 1 : 0;
}

// The atlas layer of the run: the shapes it draws with.
AtlasLayerInfo atlas_layer(const PcMapSettings& settings)
{
    AtlasLayerInfo layer;
    layer.name = "world-pc";
    layer.title = "IBM PC";
    layer.kind = "world";
    layer.port = "pc";
    layer.order = 100;
    if (settings.use_sheet) {
        atlas_layer_add(layer, "sheet", "sheet");
        layer.order += 2;
    } else if (settings.cga) {
        atlas_layer_add(layer, "cga", "CGA");
        layer.order += 1;
    } else {
        atlas_layer_add(layer, "ega", "EGA");
    }
    return layer;
}

}  // namespace

int pcmap_parse_arguments(PcMapSettings& settings, int argc, char** argv)
{
    int positional_left = 1;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-') {
            if (positional_left <= 0) {
                std::printf("error: illegal parameter '%s'\n", arg);
                return 1;
            }
            settings.data_path = arg;
            --positional_left;
        } else if (is(arg, "-?", "--help")) {
            print_usage();
            return 1;
        } else if (is(arg, "--version")) {
            cli_print_version(kProgramName);
            return kCliVersionShown;
        } else if (is(arg, "--cga")) {
            settings.cga = 1;
            settings.use_sheet = 0;
        } else if (is(arg, "--ega")) {
            settings.cga = 0;
            settings.use_sheet = 0;
        } else if (is(arg, "-s", "--shape")) {
            if (i + 1 >= argc) {
                std::puts("error: no bitmap name");
                return 1;
            }
            settings.shape_sheet = argv[++i];
            settings.use_sheet = 1;
        } else if (is(arg, "-o", "--output")) {
            if (i + 1 >= argc) {
                std::puts("error: no output name");
                return 1;
            }
            settings.output = argv[++i];
            settings.output_given = 1;
        } else if (is(arg, "-g", "--gates")) {
            settings.gates = 255;
        } else if (is(arg, "-p", "--phase")) {
            if (i + 1 >= argc) {
                std::puts("error: no phase value");
                return 1;
            }
            const char* word = argv[++i];
            if (cli_add_phase(word, &settings.gates) < 0) return 1;
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

int read_data_file(const char* dir, const char* name, std::span<uint8_t> buffer)
{
    std::string path;
    if (!join_path(dir, name, path)) {
        std::puts("error: memory exhausted!");
        return -1;
    }
    UniqueFile fp = open_file(path.c_str(), "rb");
    if (!fp) {
        std::printf("error: open '%s'\n", path.c_str());
        return -1;
    }
    if (std::fread(buffer.data(), 1, buffer.size(), fp.get()) != buffer.size()) {
        std::printf("error: read '%s'\n", path.c_str());
        return -1;
    }
    return 0;
}

int read_pc_shapes(const char* dir, ShapeSet& shapes, int cga)
{
    const char* name = cga ? "SHAPES.CGA" : "SHAPES.EGA";
    const uint32_t length = cga ? kCgaShapeBytes : kEgaShapeBytes;
    shapes.tile_width = 16;
    shapes.tile_height = 16;
    shapes.bits_per_pixel = 4;
    shapes.bytes_per_pixel = 1;
    std::vector<uint8_t> file;
    try {
        shapes.pixels.assign(256 * 256, 0);
        shapes.palette.assign(kPcPalette, kPcPalette + sizeof kPcPalette);
        file.resize(length);
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        return -1;
    }
    if (read_data_file(dir, name, file) < 0) return -1;

    for (uint32_t n = 0; n < 256; ++n) {
        uint8_t* tile = shapes.pixels.data() + shape_row_offset(shapes, n, 0);
        if (cga) {
            const uint8_t* in = file.data() + n * 64;
            for (uint32_t l = 0; l < 16; ++l) {
                const uint32_t y = l < 8 ? 2 * l : 2 * (l - 8) + 1;
                uint8_t* row = tile + y * 256;
                for (uint32_t b = 0; b < 4; ++b, ++in)
                    for (uint32_t k = 0; k < 4; ++k)
                        row[4 * b + k] = static_cast<uint8_t>(kCgaToPalette[(*in >> (6 - 2 * k)) & 3]);
            }
        } else {
            const uint8_t* in = file.data() + n * 128;
            for (uint32_t y = 0; y < 16; ++y) {
                uint8_t* row = tile + y * 256;
                for (uint32_t b = 0; b < 8; ++b, ++in) {
                    row[2 * b] = static_cast<uint8_t>(*in >> 4);
                    row[2 * b + 1] = static_cast<uint8_t>(*in & 0x0F);
                }
            }
        }
    }
    return 0;
}

int pcmap_run(const PcMapSettings& settings)
{
    ShapeSet shapes;
    std::vector<uint8_t> map;
    RowSink sink;
    PictureOutput output;

    if (settings.use_sheet) {
        if (read_shape_bitmap(settings.shape_sheet, shapes, 16, 16) < 0) {
            std::printf("error: read shape bitmap '%s'\n", settings.shape_sheet);
            return 1;
        }
    } else if (read_pc_shapes(settings.data_path, shapes, settings.cga) < 0) {
        std::puts("error: read shapes");
        return 1;
    }
    if (cli_exporting(settings.exports)) {
        try {
            return cli_export_sheets(settings.exports, shapes, nullptr, settings.overwrite) < 0 ? 1 : 0;
        } catch (const std::bad_alloc&) {
            std::puts("error: memory exhausted!");
            return 1;
        }
    }
    uint32_t width = 0, height = 0;
    if (bitmap_size_check(shapes, kWorldTiles, kWorldTiles, &width, &height) < 0) {
        std::puts("error: memory exhausted!");
        return 1;
    }
    if (cli_view_check_size(settings.view, kWorldTiles, shapes.tile_width, shapes.tile_height) < 0) return 1;
    try {
        map.assign(kWorldMapBytes, 0);
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        std::printf("error: read map data '%s'\n", kMapFileName);
        return 1;
    }
    if (read_data_file(settings.data_path, kMapFileName, map) < 0) {
        std::printf("error: read map data '%s'\n", kMapFileName);
        return 1;
    }
    // The picture is composed a band at a time as it is written.
    try {
        if (settings.view.tiled) return write_tiled(settings, shapes, map);
        picture_output_init(output, settings.view, kWorldTiles, settings.overwrite);
        picture_output_name(output, cli_output(settings.output, settings.output_given, settings.png),
                            atlas_layer(settings));
        if (picture_output_begin(output) < 0) return 1;
        TileSheet sheet;
        tile_sheet_prepare(sheet, shapes, nullptr, true);
        if (picture_output_open(output, sink, width, height, shapes.bits_per_pixel, shapes.palette) < 0 ||
            world_map_write(sink, sheet, map, settings.gates, settings.balloon, 32) < 0 ||
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
