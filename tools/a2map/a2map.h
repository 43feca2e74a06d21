// The Apple II world map tool: settings, command line, raw reads of the map
// disk and the run itself, kept apart from main so that each can be driven
// (and fuzzed) on its own.
#pragma once

#include <cstdint>
#include <span>

#include "bitmap.h"
#include "cli.h"
#include "retouch.h"
#include "row_sink.h"

constexpr char kA2ToolName[] = "vorna2map";
constexpr char kA2DefaultProgramDisk[] = "VORNboot.dsk";
constexpr char kA2DefaultMorvaneDisk[] = "vornmorvane.dsk";
constexpr char kA2DefaultOutput[] = "vorn.Morvane.bmp";
constexpr uint32_t kA2SheetRows = 16;
constexpr int kA2MaxBlur = 2;

struct A2MapSettings {
    const char* program_disk = kA2DefaultProgramDisk;
    const char* morvane_disk = kA2DefaultMorvaneDisk;
    int sector_order = 1;  // 1 DOS 3.3 order, 2 ProDOS order
    int blur = 0;          // 0 artifact colours, 1 blurred, 2 retouched
    const char* shape_sheet = nullptr;
    int use_sheet = 0;
    const char* output = kA2DefaultOutput;
    uint32_t gates = 0;
    int balloon = 0;
    int overwrite = 0;
    int output_given = 0;  // -o was given
    int png = 0;           // --png
    CliExport exports;     // --export-shapes
    CliView view;          // --atlas, --tiled, --area, --shrink
};

// Prints the usage text.
void a2map_print_usage();

// Reads the command line into settings (which hold the defaults). 0 to go
// on, or the exit status to end with (1) after the usage text or an error;
// kCliVersionShown (cli.h) after --version, which ends the run with 0.
[[nodiscard]] int a2map_parse_arguments(A2MapSettings& settings, int argc, char** argv);

// Reads the first buffer.size() bytes of a disk image, in DOS 3.3 logical
// sector order, straight from the file: from its start for order 1, sector
// by sector through the ProDOS table for order 2. A 2MG, NIB or WOZ container
// is decoded instead (its own order applies), as far as the buffer needs
// tracks; a sector of them that it could not give fails the read after its
// fault line, while damage on later tracks is never looked at. 0 or -1.
[[nodiscard]] int read_image_file(const char* path, int order, std::span<uint8_t> buffer);

// Loads the shapes, composes the map, colours it and writes the picture.
// The exit status: 0 when the picture was written, else 1.
[[nodiscard]] int a2map_run(const A2MapSettings& settings);

// Writes the world composed from the hi-res shapes into an open sink of the
// picture's size, a band at a time: coloured (blur 0 or 1) at 4 bits, or
// retouched at 24 bits when retouch is given. 0, or -1 after the sink's
// messages. Throws std::bad_alloc when memory runs out.
[[nodiscard]] int a2map_write_coloured(RowSink& sink, const ShapeSet& shapes, std::span<const uint8_t> map,
                                       uint32_t gates, int balloon, int blur, RetouchWork* retouch);
