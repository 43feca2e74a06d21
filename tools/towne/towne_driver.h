// The town tool driver shared by the PC-98 and the X68000 builds: settings,
// command line, town table and the run itself.
#pragma once

#include <cstdint>

#include "cli.h"

constexpr int kTowneExitFailure = 1;

enum class TownePort { kPc98, kX68k };

// What differs between the two builds of the tool.
struct TowneVariant {
    const char* tool_name;     // shown in the usage text
    const char* arvelon_disk;  // default first disk image
    const char* morvane_disk;  // default second disk image
    uint32_t data_offset;      // bytes before the first sector in an image file
    int32_t max_shape_rows;    // largest -r value
    TownePort port;            // which pattern loader reads the shapes
};

inline constexpr TowneVariant kPc98Towne = {"vornpc98towne", "VORN_Arvelon.fdi", "VORN_Morvane.fdi", 4096,
                                     23, TownePort::kPc98};
inline constexpr TowneVariant kX68kTowne = {"vornx68ktowne", "vorn-arvelon.xdf", "vorn-morvane.xdf", 0, 22,
                                     TownePort::kX68k};

// Settings of one run. Names point into the command line or the variant.
struct TowneSettings {
    const TowneVariant* variant = nullptr;
    const char* arvelon_disk = nullptr;
    const char* morvane_disk = nullptr;
    int32_t shape_rows = 0;
    const char* shape_bitmap = nullptr;  // null: none
    const char* mask_bitmap = nullptr;   // null: none
    int use_sheets = 0;
    int no_mask = 0;
    int no_npcs = 0;
    int overwrite = 0;
    int png = 0;  // --png
    CliExport exports;  // --export-shapes, --export-mask
    CliView view;       // --atlas, --tiled, --area, --shrink
};

// One row of the town table: the name printed and the file written.
struct TownEntry {
    const char* display_name;
    const char* file_name;
};

inline constexpr TownEntry kTownTable[] = {
    {"Castle Morvane 2F", "vorn.Castle_Morvane_2F.bmp"},
    {"Castle Morvane 1F", "vorn.Castle_Morvane_1F.bmp"},
    {"The Athenaril", "vorn.The_Athenaril.bmp"},
    {"Solace Abbey", "vorn.Solace_Abbey.bmp"},
    {"Wyrm's Keep", "vorn.Wyrm's_Keep.bmp"},
    {"Starmere", "vorn.Starmere.bmp"},
    {"Crownhaven", "vorn.Crownhaven.bmp"},
    {"Daskar", "vorn.Daskar.bmp"},
    {"Oakhollow", "vorn.Oakhollow.bmp"},
    {"Torvik", "vorn.Torvik.bmp"},
    {"Valdane", "vorn.Valdane.bmp"},
    {"Kelda Mor", "vorn.Kelda_Mor.bmp"},
    {"Orleth", "vorn.Orleth.bmp"},
    {"Fenny", "vorn.Fenny.bmp"},
    {"Corsair's Nest", "vorn.Corsair's_Nest.bmp"},
    {"Dunmere", "vorn.Dunmere.bmp"},
    {"Brindle", "vorn.Brindle.bmp"},
};

// Sets every field to the variant's defaults.
void towne_default_settings(TowneSettings& settings, const TowneVariant& variant);

// Prints the usage text of the variant.
void towne_print_usage(const TowneVariant& variant);

// Reads the command line into settings (defaults set before). Returns 0 to go
// on, or the exit status to end the program with at once (usage text, a
// missing or bad option argument, an unknown option, --export-mask where the
// run will load no mask), or kCliVersionShown (cli.h) after --version, which
// ends the run with 0. Allocates nothing.
[[nodiscard]] int parse_arguments(TowneSettings& settings, int argc, char** argv);

// Loads the shapes, reads the towns and writes the 17 pictures (or, when
// asked, only the shape and mask sheets). Returns the exit status: 0 when
// every file was written, else 1.
[[nodiscard]] int towne_run(const TowneSettings& settings);
