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
