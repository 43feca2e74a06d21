// The web atlas: a folder that holds tile pyramids ("layers") of the maps and
// a page over Leaflet that offers every layer present there.
//
//   DIR/index.html, atlas.js, atlas.css   the page: the same bytes on every run
//   DIR/layers.js                         every layer present, and the map's sites
//   DIR/leaflet/                          Leaflet and its licence notice
//   DIR/LAYER/layer.json                  one per layer, written last into the layer
//   DIR/LAYER/Z/X/Y.png                   the tiles, y from the top
//
// The page's files begin with a mark (a first-line comment, and a first line
// in leaflet/LICENSE for the leaflet folder), so that a later run knows they
// are its own and replaces them without a question. Every file is written
// through a temporary file beside it and renamed into place, with the same
// bytes on every system.
#pragma once

#include <cstdint>
#include <string>

struct AtlasLayerInfo {
    std::string name, title, kind, port;
    uint32_t order = 0, tile_width = 0, tile_height = 0, map_width = 0, map_height = 0, top_zoom = 0;
};

// Makes DIR (and missing parents) when it is missing, then asks once, unless
// overwrite, before a page file from elsewhere (a file at one of the page's
// names that these tools did not write) would be replaced: "'NAME' already
// exists" with NAME relative to DIR ('index.html', 'atlas.js', 'atlas.css',
// 'layers.js', or 'leaflet' for the leaflet folder), then "overwrite ?".
// 0 to go on; -1 after "error: make directory 'DIR'", "error: not a
// directory 'DIR'", or a "N" answer (then nothing at all was written or
// changed, and the run ends with status 1).
[[nodiscard]] int atlas_open(const char* dir, int overwrite);

// Writes LAYER_DIR/layer.json for the layer: one line, then a line feed. 0,
// or -1 after "error: illegal layer 'NAME'" (a name not made of
// [A-Za-z0-9_.'-], one that begins with '.' or is one of the page's names, a
// title not of printable ASCII, an unknown kind or port, sizes that do not
// fit the top zoom) or "error: write 'layer.json' of layer 'NAME'".
[[nodiscard]] int atlas_layer_info_write(const char* layer_dir, const AtlasLayerInfo& info);

// Rewrites the page from the layers present in DIR (every folder whose
// layer.json reads back, strictly, with a name equal to the folder's; folders
// whose names begin with '.' are skipped: that is where half-built layers
// live). 0, or -1 after "error: read directory 'DIR'" or "error: write
// 'NAME'" (NAME as in atlas_open) followed by "error: write atlas page 'DIR'".
[[nodiscard]] int atlas_page_write(const char* dir);
