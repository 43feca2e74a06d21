// The IBM PC world map tool: its settings, command line, the readers of the
// game's files and the main flow.
#pragma once

#include <cstdint>
#include <span>

#include "bitmap.h"
#include "cli.h"

struct PcMapSettings {
    const char* data_path = nullptr;   // directory of the game's files; null: current directory
    const char* shape_sheet = nullptr;
    int use_sheet = 0;
    int cga = 0;
    const char* output = "vorn.Morvane.bmp";
    int output_given = 0;  // -o was given
    int png = 0;           // --png
    uint32_t gates = 0;
    int balloon = 0;
    int overwrite = 0;
    CliExport exports;  // --export-shapes
    CliView view;       // --atlas, --tiled, --area, --shrink
};

constexpr uint32_t kEgaShapeBytes = 32768;
constexpr uint32_t kCgaShapeBytes = 16384;

// The 16-colour palette shared by the EGA and CGA shapes.
extern const uint8_t kPcPalette[16 * 4];

// Parses the command line into settings: 0 to go on, else the exit status
// to end with (the usage text and every refusal end with 1), or
// kCliVersionShown (cli.h) after --version, which ends the run with 0.
[[nodiscard]] int pcmap_parse_arguments(PcMapSettings& settings, int argc, char** argv);

// Reads exactly buffer.size() bytes from the start of the file (joined to
// dir when dir is given). 0 or -1.
[[nodiscard]] int read_data_file(const char* dir, const char* name, std::span<uint8_t> buffer);

// Loads SHAPES.CGA or SHAPES.EGA from dir into a 16 x 16 sheet of 16 x 16
// shapes. 0 or -1; what was allocated stays in the set.
[[nodiscard]] int read_pc_shapes(const char* dir, ShapeSet& shapes, int cga);

// The whole run after parsing; returns the exit status.
[[nodiscard]] int pcmap_run(const PcMapSettings& settings);
