// Stand-ins until the page lands.
#include <cstdio>
#include <filesystem>

#include "atlas.h"

int atlas_open(const char* dir, int)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::printf("error: make directory '%s'\n", dir);
        return -1;
    }
    return 0;
}

int atlas_layer_info_write(const char* layer_dir, const AtlasLayerInfo& info)
{
    FILE* fp = std::fopen((std::string(layer_dir) + "/layer.json").c_str(), "wb");
    if (!fp) return -1;
    std::fprintf(fp, "{\"name\":\"%s\",\"title\":\"%s\"}\n", info.name.c_str(), info.title.c_str());
    return std::fclose(fp) == 0 ? 0 : -1;
}

int atlas_page_write(const char*) { return 0; }
