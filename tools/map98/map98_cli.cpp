// The command line of the PC-98 and X68000 world map tools. Kept apart from
// the run so that it can be exercised without loading anything.
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "map98.h"
#include "worldmap.h"

namespace {

bool is(const char* arg, const char* name) { return std::strcmp(arg, name) == 0; }

bool is(const char* arg, const char* a, const char* b) { return is(arg, a) || is(arg, b); }

bool is(const char* arg, const char* a, const char* b, const char* c)
{
    return is(arg, a) || is(arg, b) || is(arg, c);
}

// The argument after option i, or null (with the message printed) when the
// command line ends first.
const char* option_argument(int argc, char** argv, int& i, const char* missing)
{
    if (i + 1 >= argc) {
        std::puts(missing);
        return nullptr;
    }
    return argv[++i];
}

}  // namespace

void map98_settings_init(Map98Settings& settings, const Map98Port& port)
{
    settings = Map98Settings{};
    settings.port = &port;
    settings.arvelon_disk = port.arvelon_disk;
    settings.morvane_disk = port.morvane_disk;
    settings.shape_rows = port.max_shape_rows;
}

void map98_print_usage(const Map98Settings& settings)
{
    const Map98Port& port = *settings.port;
    std::printf("usage: %s [options]\n", port.tool_name);
    std::puts("option:");
    std::puts("        -d1|--disk1|--arvelon-disk    DISK-IMG");
    std::puts("                                specify arvelon disk");
    std::printf("                                read '%s' if not specified\n", port.arvelon_disk);
    std::puts("        -d2|--disk2|--morvane-disk DISK-IMG");
    std::puts("                                specify morvane disk");
    std::printf("                                read '%s' if not specified\n", port.morvane_disk);
    std::puts("        -s|--shape SHAPE-BMP    read shape data from specified file");
    std::printf("        -r|--shape-rows NUM     specify number of shape rows (16-%d)\n",
                static_cast<int>(port.max_shape_rows));
    std::puts("        -m|--mask  MASK-BMP     read mask data from specified file");
    std::puts("        -M|--no-mask            not use mask data");
    std::puts("        -n|--no-shores          draw not shores");
    std::puts("        -o|--output OUTPUT-BMP  write bitmap to specified file");
    std::puts("        -g|--gates              draw all moon gates");
    std::puts("        -p|--phase NUM          draw moon gate of specified phase (1-8)");
    std::puts("        -b|--baloon             draw baloon");
    std::puts("           --overwrite          overwrite output file");
    std::puts("        -?|--help               print usage");
    std::puts("           --png                write PNG instead of BMP");
    std::puts("           --export-shapes SHAPE-BMP  write shapes to specified file");
    std::puts("           --export-mask MASK-BMP     write mask to specified file");
    std::puts("           --version            print version");
    cli_print_view_usage();
}

int map98_parse_arguments(Map98Settings& settings, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-') {
            std::printf("error: illegal parameter '%s'\n", arg);
        } else if (is(arg, "-?", "--help")) {
            map98_print_usage(settings);
            return 1;
        } else if (is(arg, "--version")) {
            cli_print_version(settings.port->tool_name);
            return kCliVersionShown;
        } else if (is(arg, "-d1", "--disk1", "--arvelon-disk")) {
            const char* word = option_argument(argc, argv, i, "error: no disk image name");
            if (!word) return 1;
            settings.arvelon_disk = word;
        } else if (is(arg, "-d2", "--disk2", "--morvane-disk")) {
            const char* word = option_argument(argc, argv, i, "error: no disk image name");
            if (!word) return 1;
            settings.morvane_disk = word;
        } else if (is(arg, "-s", "--shape")) {
            const char* word = option_argument(argc, argv, i, "error: no bitmap name");
            if (!word) return 1;
            settings.shape_sheet = word;
            settings.use_sheets = 1;
        } else if (is(arg, "-r", "--shape-rows")) {
            const char* word = option_argument(argc, argv, i, "error: no shape rows");
            if (!word) return 1;
            int32_t rows = 0;
            if (cli_parse_number(word, &rows) < 0 || rows < static_cast<int32_t>(kMap98MinShapeRows) ||
                rows > settings.port->max_shape_rows) {
                std::printf("error: illegal shape rows '%s'\n", word);
                return 1;
            }
            settings.shape_rows = rows;
        } else if (is(arg, "-m", "--mask")) {
            const char* word = option_argument(argc, argv, i, "error: no bitmap name");
            if (!word) return 1;
            settings.mask_sheet = word;
            settings.use_sheets = 1;
        } else if (is(arg, "-M", "--no-mask")) {
            settings.no_mask = 1;
            settings.mask_sheet = nullptr;
        } else if (is(arg, "-n", "--no-shores")) {
            settings.no_shores = 1;
        } else if (is(arg, "-o", "--output")) {
            const char* word = option_argument(argc, argv, i, "error: no output name");
            if (!word) return 1;
            settings.output = word;
            settings.output_given = 1;
        } else if (is(arg, "-g", "--gates")) {
            settings.gates = 255;
        } else if (is(arg, "-p", "--phase")) {
            const char* word = option_argument(argc, argv, i, "error: no phase value");
            if (!word) return 1;
            if (cli_add_phase(word, &settings.gates) < 0) return 1;
        } else if (is(arg, "-b", "--baloon")) {
            settings.balloon = 1;
        } else if (is(arg, "--overwrite")) {
            settings.overwrite = 1;
        } else if (is(arg, "--png")) {
            settings.png = 1;
        } else if (const int matched = cli_export_option(settings.exports, argc, argv, &i, 1); matched != 0) {
            if (matched < 0) return 1;
        } else if (const int view = cli_view_option(settings.view, argc, argv, &i, kWorldTiles); view != 0) {
            if (view < 0) return 1;
        } else {
            std::printf("error: unknown option '%s'\n", arg);
            return 1;
        }
    }
    if (settings.no_mask || settings.shape_rows < kMap98ShoreShapeRows) settings.no_shores = 1;
    const bool has_mask = settings.use_sheets ? settings.mask_sheet != nullptr : !settings.no_mask;
    if (cli_export_check(settings.exports, has_mask) < 0 || cli_view_check(settings.view) < 0) return 1;
    return 0;
}

