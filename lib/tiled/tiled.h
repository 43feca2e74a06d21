// Maps for the Tiled map editor: orthogonal .tmx maps with CSV tile layers
// over .tsx tilesets and their PNG sheets, laid out so that Tiled's renderer
// draws exactly the picture the tool draws.
//
// A run writes one or two tilesets, shared by all its maps:
//   NAME.tsx / NAME.png                the loaded shapes as they are drawn,
//                                      tile n = shape n (16 tiles a row);
//   NAME-masked.tsx / NAME-masked.png  the same shapes with alpha 0 where the
//                                      mask lets the tile beneath show, for
//                                      the ports that draw through a mask.
// In a map the shapes tileset has firstgid 1 and the masked one follows it.
// A shape drawn whole is a cell of a plain layer; a shape drawn over another
// through the mask is the other shape on a lower layer and the masked shape
// on a layer above it. Every map also holds a hidden layer "map bytes" whose
// cell gid minus 1 (the shapes tileset's firstgid) is the byte of the game's
// map file for that cell, row by row (not in the file's chunk order), and
// worlds a hidden object layer "sites" with the moon gate and balloon sites.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bitmap.h"

// A custom property; type is "string", "int" or "bool".
struct TiledProperty {
    std::string name;
    std::string value;
    std::string type = "string";
};

struct TiledLayer {
    std::string name;
    bool visible = true;
    std::vector<uint32_t> cells;  // gid of every cell, rows from the top; 0: empty
};

// A rectangle over one tile on the object layer "sites".
struct TiledObject {
    std::string name;
    std::string type;
    uint32_t x = 0;  // in tiles
    uint32_t y = 0;
    std::vector<TiledProperty> properties;
};

struct TiledMap {
    std::string file;  // name of the .tmx file in the run's directory
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<TiledProperty> properties;  // after the run's own
    std::vector<TiledLayer> layers;         // bottom first
    std::vector<TiledObject> objects;       // none: no object layer
};

struct TiledRun {
    const char* dir = nullptr;
    std::string tileset;         // stem of the shapes tileset's files
    std::string masked_tileset;  // stem of the masked tileset's files; empty: none
    const ShapeSet* shapes = nullptr;
    const ShapeMask* mask = nullptr;  // null when there is no masked tileset
    uint32_t shape_count = 0;         // tiles of the shapes tileset
    uint32_t masked_count = 0;        // tiles of the masked tileset
    std::vector<TiledProperty> properties;  // of every map and tileset: port, tool, options
    std::vector<TiledMap> maps;
    int overwrite = 0;
};

// Sets up a run that writes into dir from loaded shapes and, where the tool
// draws through it, their mask (null, or empty pixels: none; a mask must be
// of one byte per pixel at the shapes' tile size). The tileset is named
// after the tool and the tag of the options that change its tiles (or
// null); tiles read from sheets (from_sheets) add the CRC-32 of their pixels,
// so that runs that draw different tiles never share a tileset name.
void tiled_run_init(TiledRun& run, const char* dir, const char* tool, const char* tag, const ShapeSet& shapes,
                    const ShapeMask* mask, bool from_sheets, int overwrite);

// The map file name for a picture's default name: its ending (".bmp")
// replaced by ".tmx".
[[nodiscard]] std::string tiled_map_name(const char* picture_name);

// gid of a shape drawn whole (0 when the tileset does not hold it), and of
// a shape drawn through the mask (0 when there is no such tile).
[[nodiscard]] uint32_t tiled_gid(const TiledRun& run, uint32_t shape);
[[nodiscard]] uint32_t tiled_masked_gid(const TiledRun& run, uint32_t shape);

// What one cell shows as two layers: the lower gid and the masked gid above
// it (0: none). A shape over a beneath shape (kTiledNone: none) is the
// beneath shape below and the masked shape above where both tiles exist;
// else the shape alone, below.
constexpr uint32_t kTiledNone = 0xFFFFFFFFu;
struct TiledStack {
    uint32_t ground = 0;
    uint32_t over = 0;
};
[[nodiscard]] TiledStack tiled_stack(const TiledRun& run, uint32_t shape, uint32_t beneath);

// Adds a world map of 256 x 256 tiles: the hidden layer "map bytes" from the
// map file (65,536 bytes in chunks of chunk_edge x chunk_edge) and the
// object layer "sites", each moon gate and the balloon with a property
// "drawn" that says whether the options draw it. The tool adds its layers
// after the byte layer. Throws std::bad_alloc.
TiledMap& tiled_add_world(TiledRun& run, std::string file, std::span<const uint8_t> map, uint32_t chunk_edge,
                          uint32_t gates, int balloon);

// Adds the layers of a world drawn one shape per tile ("ground", the shape
// of each byte) with the gates and the balloon asked for on a layer of their
// own ("gates"). Throws std::bad_alloc.
void tiled_plain_world_layers(TiledRun& run, TiledMap& map, std::span<const uint8_t> bytes, uint32_t chunk_edge,
                              uint32_t gates, int balloon);

// The options that draw gates and the balloon as command-line words
// ("-g", "-p 3 -p 5", "-b"), each followed by a space.
[[nodiscard]] std::string tiled_site_options(uint32_t gates, int balloon);

// Sets the properties of every map and tileset: "port", "tool" and
// "options", the words of the options that shape the picture (trailing
// space dropped).
void tiled_describe(TiledRun& run, const char* port, const char* tool, std::string options);

// Writes the run: checks the directory (or makes it, and its parents), asks
// once before any existing file is replaced (unless overwrite), then writes
// the tilesets and the maps, each file through a temporary file renamed into
// place. 0, or -1 after "error: not a directory 'DIR'", "error: make
// directory 'DIR'", the writers' messages and "error: write tileset file
// '%s'" or "error: write map file '%s'", or "error: write map file '%s'"
// with the first map's name after the answer N.
[[nodiscard]] int tiled_write(const TiledRun& run);
