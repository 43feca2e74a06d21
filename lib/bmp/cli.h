// Command-line helpers shared by the tool drivers.
#pragma once

#include <cstdint>
#include <string>

#include "row_sink.h"

// Reads a number the way strtoul(word, &end, 0) reads it where unsigned long
// has 32 bits: leading white space, an optional sign, "0x" hexadecimal,
// leading "0" octal or decimal; a value too large for 32 bits saturates to
// 0xFFFFFFFF, and a minus sign negates the value modulo 2^32. The word must be
// used up whole. On success stores the value taken as a signed 32-bit integer
// and returns 0; returns -1 when characters remain.
[[nodiscard]] int cli_parse_number(const char* word, int32_t* value);

// Adds the moon phase named by the word of a -p option to a gate set (bit
// phase - 1). The word must be a number from 1 to 8; otherwise prints
// "error: illegal phase value: WORD" and returns -1.
[[nodiscard]] int cli_add_phase(const char* word, uint32_t* gates);

// What a parser returns when the command line asked for the version: the
// version line is printed and the run ends at once with status 0. Parsers
// otherwise return 0 to go on, or the exit status to end with.
constexpr int kCliVersionShown = -1;

// The exit status for what a parser returned (not 0): 0 after the version
// line, else the parser's own status.
[[nodiscard]] constexpr int cli_exit_status(int parsed)
{
    return parsed == kCliVersionShown ? 0 : parsed;
}

// Prints the one version line of --version, "NAME VERSION", with the tool's
// fixed name and the version the project was built as.
void cli_print_version(const char* tool_name);

// The picture a run writes: its format and file name.
struct CliOutput {
    PictureFormat format = PictureFormat::kBmp;
    std::string name;
};

// PNG when png_option is set (--png) or when the name ends in ".png" in any
// case, else BMP. A default name (name_given 0) that ends in ".bmp" then ends
// in ".png" instead; a name given is used as it stands.
[[nodiscard]] CliOutput cli_output(const char* name, int name_given, int png_option);

// Where a run's picture goes instead of a BMP or PNG file, and which part of
// it is drawn: --atlas DIR (a layer of a web atlas), --tiled DIR (Tiled map
// files), --area X,Y,W,H (only those tiles) and --shrink N (box-averaged by
// N each way). The last of --atlas and --tiled wins.
struct CliView {
    const char* atlas = nullptr;  // --atlas DIR, or null
    const char* tiled = nullptr;  // --tiled DIR, or null
    // --area in tiles of the map; width 0: the whole map.
    uint32_t area_x = 0;
    uint32_t area_y = 0;
    uint32_t area_width = 0;
    uint32_t area_height = 0;
    uint32_t shrink = 1;                // --shrink: 1, 2, 4, 8, 16 or 32
    const char* shrink_word = nullptr;  // the word given, for the message
};

// The sizes --shrink takes.
[[nodiscard]] constexpr bool cli_shrink_allowed(uint32_t n)
{
    return n == 2 || n == 4 || n == 8 || n == 16 || n == 32;
}

// Matches argv[*i] against --atlas, --tiled, --area and --shrink and takes
// the next word as the option's argument. An area must lie inside a map of
// map_tiles x map_tiles tiles and have no zero size, its four numbers
// decimal ("error: illegal area 'ARG'"); a shrink must be one of the sizes
// cli_shrink_allowed takes ("error: illegal shrink 'ARG'"). 1 when it
// matched (*i then at the argument), 0 when not, -1 after the message (or
// "error: no directory name", "error: no area value", "error: no shrink
// value" when no word follows).
[[nodiscard]] int cli_view_option(CliView& view, int argc, char** argv, int* i, uint32_t map_tiles);

// Refuses what does not go together once the whole command line is read:
// --area or --shrink with --atlas ("error: --area does not apply to
// --atlas", "error: --shrink does not apply to --atlas"), --area or
// --shrink with --tiled (the same words with --tiled). 0 or -1.
[[nodiscard]] int cli_view_check(const CliView& view);

// Refuses a shrink that does not divide the picture (or the area) drawn with
// tiles of the given size: -1 after "error: illegal shrink 'ARG'", else 0.
[[nodiscard]] int cli_view_check_size(const CliView& view, uint32_t map_tiles, uint32_t tile_width,
                                      uint32_t tile_height);

// Prints the usage lines of the four options, after a tool's own.
void cli_print_view_usage();

// The sheets a run writes instead of its picture: the loaded shapes
// (--export-shapes) and their mask (--export-mask), each a file name or null.
struct CliExport {
    const char* shapes = nullptr;
    const char* mask = nullptr;
};

// True when the run writes sheets and draws nothing.
[[nodiscard]] constexpr bool cli_exporting(const CliExport& sheets)
{
    return sheets.shapes != nullptr || sheets.mask != nullptr;
}

// Matches argv[*i] against --export-shapes and, where the tool has masks
// (with_mask non-zero), --export-mask, and takes the next word as the file
// name whatever it looks like. 1 when it matched (*i then at the name), 0 when
// not, -1 after "error: no bitmap name" when no word follows.
[[nodiscard]] int cli_export_option(CliExport& sheets, int argc, char** argv, int* i, int with_mask);

// Refuses --export-mask for a run that will load no mask (has_mask 0): -1
// after "error: no mask to export", else 0.
[[nodiscard]] int cli_export_check(const CliExport& sheets, int has_mask);

// Writes the sheets asked for, the shapes first, always as BMP (the sheet
// readers read nothing else). A mask sheet is asked for only with a loaded
// mask. 0, or -1 after the writer's messages and "error: write bitmap file
// '%s'" with the sheet's name.
[[nodiscard]] int cli_export_sheets(const CliExport& sheets, const ShapeSet& shapes, const ShapeMask* mask,
                                    int overwrite);
