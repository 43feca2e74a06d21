// The PC-98 and X68000 world map tools: one driver built twice. A port
// profile holds what differs between the two (defaults, limits and which
// shape loader runs); the settings of a run start from it.
#pragma once

#include <cstdint>
#include <span>

#include "cli.h"

enum class Map98Loader : uint8_t { kPc98, kX68k };

struct Map98Port {
    const char* tool_name;       // shown in the usage text
    const char* arvelon_disk;    // default first disk image
    const char* morvane_disk;    // default second disk image, which holds MAP.BIN
    uint32_t data_offset;        // bytes before the first sector of an image file
    int32_t max_shape_rows;      // largest -r and the default
    Map98Loader loader;
};

constexpr Map98Port kPc98MapPort = {"vornpc98map", "VORN_Arvelon.fdi", "VORN_Morvane.fdi",
                                    4096, 23, Map98Loader::kPc98};
constexpr Map98Port kX68kMapPort = {"vornx68kmap", "vorn-arvelon.xdf", "vorn-morvane.xdf",
                                    0, 22, Map98Loader::kX68k};

constexpr const char* kMap98MapFile = "MAP.BIN";
constexpr uint32_t kMap98MinShapeRows = 16;
constexpr int32_t kMap98ShoreShapeRows = 18;  // the shore shapes lie in shape row 17

struct Map98Settings {
    const Map98Port* port = &kPc98MapPort;
    const char* arvelon_disk = nullptr;
    const char* morvane_disk = nullptr;
    int32_t shape_rows = 0;
    const char* shape_sheet = nullptr;
    const char* mask_sheet = nullptr;
    int use_sheets = 0;
    int no_mask = 0;
    int no_shores = 0;
    const char* output = "vorn.Morvane.bmp";
    int output_given = 0;  // -o was given
    int png = 0;           // --png
    uint32_t gates = 0;
    int balloon = 0;
    int overwrite = 0;
    CliExport exports;  // --export-shapes, --export-mask
    CliView view;       // --atlas, --tiled, --area, --shrink
};

// Sets every setting to the port's default.
void map98_settings_init(Map98Settings& settings, const Map98Port& port);

// Prints the usage text of the settings' port.
void map98_print_usage(const Map98Settings& settings);

// Parses the command line into settings that map98_settings_init set up, and
// turns the shores off when there is no mask or too few shape rows for them.
// --export-mask where the run will load no mask (-M, or sheets without -m)
// is refused here, before anything is loaded.
// Returns 0 to go on, else the exit status to end with: the usage text and
// every refusal end with 1 before anything is allocated; --version returns
// kCliVersionShown (cli.h), which ends the run with 0.
[[nodiscard]] int map98_parse_arguments(Map98Settings& settings, int argc, char** argv);

// Copies the named file of the image's root directory into buffer; the
// image is opened and closed inside the call. 0 or -1.
[[nodiscard]] int read_map_data(const char* image_name, const char* file_name,
                                std::span<uint8_t> buffer, uint32_t data_offset);

// The whole run after parsing; returns the exit status.
[[nodiscard]] int map98_run(const Map98Settings& settings);
