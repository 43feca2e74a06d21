// The web atlas: a folder of tile pyramids ("layers") and the page that
// shows them.
#pragma once

#include <cstdint>
#include <string>

struct AtlasLayerInfo {
    std::string name, title, kind, port;
    uint32_t order = 0, tile_width = 0, tile_height = 0, map_width = 0, map_height = 0, top_zoom = 0;
};

// Makes DIR when it is missing and asks before a page file from elsewhere
// would be replaced. 0, or -1 after its messages.
[[nodiscard]] int atlas_open(const char* dir, int overwrite);

// Writes LAYER_DIR/layer.json. 0 or -1.
[[nodiscard]] int atlas_layer_info_write(const char* layer_dir, const AtlasLayerInfo& info);

// Rewrites the page from the layers present in DIR. 0 or -1.
[[nodiscard]] int atlas_page_write(const char* dir);
