// The files the atlas page is made of, embedded into the programs at build
// time by embed_files.cmake: the page's own (page/) and Leaflet's.
#pragma once

#include <cstddef>
#include <cstdint>

struct AtlasEmbeddedFile {
    const char* name;  // relative to the atlas folder, '/' between folders
    const uint8_t* bytes;
    size_t size;
};

// index.html, atlas.js, atlas.css, then leaflet/leaflet.js, leaflet.css,
// images/layers.png, images/layers-2x.png and the licence notice
// (leaflet/LICENSE, without the mark that the writer puts before it).
extern const AtlasEmbeddedFile kAtlasEmbeddedFiles[];
extern const size_t kAtlasEmbeddedFileCount;
