#include "picture_output.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool is_atlas(const PictureOutput& output) { return output.view && output.view->atlas; }

std::string layer_path(const PictureOutput& output, const std::string& name)
{
    return std::string(output.view->atlas) + '/' + name;
}

// Makes a new folder beside the layer's, named after it with a dot in
// front; stores its path. 0 or -1.
int make_building_folder(PictureOutput& output)
{
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::string path = layer_path(output, "." + output.name + ".new" + std::to_string(attempt));
        std::error_code error;
        if (fs::create_directory(path, error)) {
            output.building = path;
            return 0;
        }
        if (error) return -1;
    }
    return -1;
}

void remove_building_folder(PictureOutput& output)
{
    if (output.building.empty()) return;
    std::error_code error;
    fs::remove_all(output.building, error);
    output.building.clear();
}

// Puts the built layer in place of the old one, which is removed after. 0 or
// -1 with the old layer kept.
int swap_layer(PictureOutput& output)
{
    const std::string target = layer_path(output, output.name);
    std::error_code error;
    std::string old;
    if (fs::symlink_status(target, error).type() != fs::file_type::not_found) {
        for (unsigned attempt = 0; old.empty() && attempt < 1000; ++attempt) {
            const std::string path = layer_path(output, "." + output.name + ".old" + std::to_string(attempt));
            if (fs::symlink_status(path, error).type() == fs::file_type::not_found) old = path;
        }
        if (old.empty()) return -1;
        fs::rename(target, old, error);
        if (error) return -1;
    }
    fs::rename(output.building, target, error);
    if (error) {
        if (!old.empty()) fs::rename(old, target, error);
        return -1;
    }
    output.building.clear();
    if (!old.empty()) fs::remove_all(old, error);
    return 0;
}

}  // namespace

void atlas_layer_add(AtlasLayerInfo& layer, const char* suffix, const char* note)
{
    layer.name += '-';
    layer.name += suffix;
    if (!layer.title.empty() && layer.title.back() == ')') {
        layer.title.pop_back();
        layer.title += ", ";
    } else {
        layer.title += " (";
    }
    layer.title += note;
    layer.title += ')';
}

void picture_output_init(PictureOutput& output, const CliView& view, uint32_t map_tiles, int overwrite)
{
    output = PictureOutput{};
    output.view = &view;
    output.map_tiles = map_tiles;
    output.overwrite = overwrite;
}

void picture_output_name(PictureOutput& output, const CliOutput& file, const AtlasLayerInfo& layer)
{
    if (is_atlas(output)) {
        output.format = PictureFormat::kAtlas;
        output.name = layer.name;
        output.layer = layer;
    } else {
        output.format = file.format;
        output.name = file.name;
    }
}

int picture_output_begin(PictureOutput& output)
{
    return is_atlas(output) ? atlas_open(output.view->atlas, output.overwrite) : 0;
}

int picture_output_open(PictureOutput& output, RowSink& sink, uint32_t width, uint32_t height,
                        uint32_t bits_per_pixel, std::span<const uint8_t> palette)
{
    const CliView& view = *output.view;
    const uint32_t tile_width = output.map_tiles ? width / output.map_tiles : 0;
    const uint32_t tile_height = output.map_tiles ? height / output.map_tiles : 0;
    if (!is_atlas(output)) {
        if (view.area_width == 0 && view.shrink <= 1)
            return row_sink_open(sink, output.format, output.name.c_str(), width, height, bits_per_pixel, palette,
                                 output.overwrite);
        RowView part;
        part.x = view.area_x * tile_width;
        part.y = view.area_y * tile_height;
        part.width = view.area_width ? view.area_width * tile_width : width;
        part.height = view.area_width ? view.area_height * tile_height : height;
        part.tile_height = tile_height;
        part.shrink = view.shrink;
        return row_sink_open_view(sink, output.format, output.name.c_str(), width, height, bits_per_pixel, palette,
                                  output.overwrite, part);
    }

    AtlasLayerInfo& layer = output.layer;
    layer.tile_width = tile_width;
    layer.tile_height = tile_height;
    layer.map_width = layer.map_height = output.map_tiles;
    layer.top_zoom = 0;
    while ((kAtlasImageTiles << layer.top_zoom) < output.map_tiles) ++layer.top_zoom;
    std::error_code error;
    if (!output.overwrite && fs::symlink_status(layer_path(output, output.name), error).type() != fs::file_type::not_found) {
        std::printf("'%s' already exists\n", output.name.c_str());
        if (!ask_yes_no("overwrite ?")) return -1;
    }
    if (make_building_folder(output) < 0) {
        std::puts("error: write_bitmap() - can't write bitmap data");
        std::printf("error: write bitmap '%s'\n", output.name.c_str());
        return -1;
    }
    if (row_sink_open_pyramid(sink, output.building.c_str(), output.name.c_str(), width, height, bits_per_pixel,
                              palette, kAtlasImageTiles * tile_width, kAtlasImageTiles * tile_height) < 0) {
        remove_building_folder(output);
        return -1;
    }
    return 0;
}

int picture_output_close(PictureOutput& output, RowSink& sink)
{
    if (!is_atlas(output)) return row_sink_close(sink);
    if (row_sink_close(sink) < 0) {
        remove_building_folder(output);
        return -1;
    }
    if (atlas_layer_info_write(output.building.c_str(), output.layer) < 0 || swap_layer(output) < 0) {
        remove_building_folder(output);
        std::puts("error: write_bitmap() - can't write bitmap data");
        std::printf("error: write bitmap '%s'\n", output.name.c_str());
        return -1;
    }
    output.layer_written = true;
    return 0;
}

void picture_output_abort(PictureOutput& output, RowSink& sink)
{
    row_sink_abort(sink);
    remove_building_folder(output);
}

int picture_output_end(PictureOutput& output)
{
    if (!is_atlas(output) || !output.layer_written) return 0;
    return atlas_page_write(output.view->atlas);
}
