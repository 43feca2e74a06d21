// Where the pictures of a run go: BMP or PNG files, whole or an area or a
// reduction of them (--area, --shrink), or layers of a web atlas (--atlas).
// The drivers compose every picture into a row sink opened here, whatever
// the output, and print their own chains of messages with the name that
// stands for the picture: the file's, or the layer's.
//
// An atlas layer is built in a temporary folder beside it (its name begins
// with a dot, which the page passes over) and swapped into place only once
// it is whole, so that a run that fails part way leaves the layer as it was.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "atlas.h"
#include "cli.h"
#include "row_sink.h"

// Tiles of a map edge that one image of the atlas's top zoom holds.
constexpr uint32_t kAtlasImageTiles = 8;

struct PictureOutput {
    const CliView* view = nullptr;
    uint32_t map_tiles = 0;  // tiles across and down the map: 256 for a world, 32 for a town
    int overwrite = 0;

    // The picture at hand (picture_output_name).
    PictureFormat format = PictureFormat::kBmp;
    std::string name;      // the file's name, or the layer's
    AtlasLayerInfo layer;  // the atlas layer

    std::string building;       // the layer's temporary folder while it is written
    bool layer_written = false; // a layer was put in place: the page is to be written
};

// Adds a look to a layer: "-SUFFIX" to its name and the note to its title,
// in brackets ("IBM PC" and "cga", "CGA" give "world-pc-cga", "IBM PC (CGA)";
// then "sheet", "sheet" give "...-sheet", "IBM PC (CGA, sheet)").
void atlas_layer_add(AtlasLayerInfo& layer, const char* suffix, const char* note);

// Starts the output of a run: the CLI view and the map's size in tiles.
void picture_output_init(PictureOutput& output, const CliView& view, uint32_t map_tiles, int overwrite);

// Names the next picture: a file (the format and name that cli_output
// chose) or, for an atlas, the layer described, whose sizes are filled in
// when it is opened.
void picture_output_name(PictureOutput& output, const CliOutput& file, const AtlasLayerInfo& layer);

// Called once, before the first picture is opened: for an atlas, makes the
// folder and asks about page files from elsewhere (atlas_open). 0, or -1
// after its messages (the run then ends with status 1).
[[nodiscard]] int picture_output_begin(PictureOutput& output);

// Opens the sink for the picture composed at width x height pixels from
// tiles of map_tiles x map_tiles: the file, the file of the area or
// reduction, or the layer (after the question for an existing layer). 0 or
// -1 after the messages.
[[nodiscard]] int picture_output_open(PictureOutput& output, RowSink& sink, uint32_t width, uint32_t height,
                                      uint32_t bits_per_pixel, std::span<const uint8_t> palette);

// Finishes the picture: closes the file, or puts the whole layer in place.
// 0 or -1 after the messages, with nothing left of the picture.
[[nodiscard]] int picture_output_close(PictureOutput& output, RowSink& sink);

// Drops the open picture without a word.
void picture_output_abort(PictureOutput& output, RowSink& sink);

// Called once at the end of the run, whatever happened: rewrites the
// atlas's page when a layer was put in place. 0 or -1 after its messages.
[[nodiscard]] int picture_output_end(PictureOutput& output);
