// The four tools that read FAT12 floppy images (PC-98 and X68000 builds of
// the world tool and the town tool), with the sample images they read by
// default.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace port_tools {

struct PortTool {
    std::string name;
    std::string arvelon;  // default first image: the shapes
    std::string morvane;  // default second image: the map or the towns
    bool pc98;            // the PC-98 shape loader reads both images
    uint32_t shape_rows;  // default shape rows (sheets are 16 tiles across)
};

// Test names show the tool's name.
inline void PrintTo(const PortTool& tool, std::ostream* os) { *os << tool.name; }

extern const PortTool kWorldTools[2];
extern const PortTool kTownTools[2];

// Writes the tool's two sample images into dir under their default names.
void write_images(const PortTool& tool, const std::filesystem::path& dir);

}  // namespace port_tools
