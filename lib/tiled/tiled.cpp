#include "tiled.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "row_sink.h"
#include "stdio_file.h"
#include "worldmap.h"

namespace {

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

constexpr const char* kTmxVersion = "1.8";

// Tiles of a sheet of whole rows of 16 tiles held in pixels of the given
// bytes per pixel.
uint32_t sheet_tiles(const ShapeSet& set, size_t bytes_per_pixel)
{
    const size_t row = size_t{16} * set.tile_width * set.tile_height * bytes_per_pixel;
    if (row == 0) return 0;
    return static_cast<uint32_t>(std::min<size_t>(set.pixels.size() / row, 0xFFFFFFFu / 16) * 16);
}

std::string crc_tag(const ShapeSet& set)
{
    uLong crc = crc32(0L, nullptr, 0);
    const uint32_t geometry[3] = {set.tile_width, set.tile_height, set.bits_per_pixel};
    crc = crc32(crc, reinterpret_cast<const Bytef*>(geometry), sizeof geometry);
    for (const auto* bytes : {&set.palette, &set.pixels})
        for (size_t at = 0; at < bytes->size(); at += 1u << 30)
            crc = crc32(crc, bytes->data() + at, static_cast<uInt>(std::min<size_t>(bytes->size() - at, 1u << 30)));
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(crc & 0xFFFFFFFFu));
    return text;
}

std::string join(const char* dir, const std::string& name)
{
    std::string path = dir;
    if (!path.empty() && path.back() != '/' && path.back() != kPathSeparator) path += kPathSeparator;
    return path + name;
}

void append_escaped(std::string& out, const std::string& text)
{
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
}

void append_attribute(std::string& out, const char* name, const std::string& value)
{
    out += ' ';
    out += name;
    out += "=\"";
    append_escaped(out, value);
    out += '"';
}

void append_attribute(std::string& out, const char* name, uint64_t value)
{
    append_attribute(out, name, std::to_string(value));
}

void append_properties(std::string& out, const char* indent, const std::vector<TiledProperty>& first,
                       const std::vector<TiledProperty>& second = {})
{
    if (first.empty() && second.empty()) return;
    out += indent;
    out += "<properties>\n";
    for (const auto* list : {&first, &second})
        for (const TiledProperty& p : *list) {
            out += indent;
            out += " <property";
            append_attribute(out, "name", p.name);
            if (p.type != "string") append_attribute(out, "type", p.type);
            append_attribute(out, "value", p.value);
            out += "/>\n";
        }
    out += indent;
    out += "</properties>\n";
}

std::string tileset_text(const TiledRun& run, const std::string& name, uint32_t tiles, bool masked)
{
    const ShapeSet& shapes = *run.shapes;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tileset";
    append_attribute(out, "version", kTmxVersion);
    append_attribute(out, "name", name);
    append_attribute(out, "tilewidth", shapes.tile_width);
    append_attribute(out, "tileheight", shapes.tile_height);
    append_attribute(out, "tilecount", tiles);
    append_attribute(out, "columns", 16);
    out += ">\n";
    // The port and the tool, not the options of the run: the tileset is
    // shared by every run whose tiles are the same.
    std::vector<TiledProperty> own(run.properties.begin(), run.properties.begin() + std::min<size_t>(run.properties.size(), 2));
    own.push_back({"masked", masked ? "true" : "false", "bool"});
    append_properties(out, " ", own);
    out += " <image";
    append_attribute(out, "source", name + ".png");
    append_attribute(out, "width", uint64_t{16} * shapes.tile_width);
    append_attribute(out, "height", uint64_t{tiles / 16} * shapes.tile_height);
    out += "/>\n</tileset>\n";
    return out;
}

std::string map_text(const TiledRun& run, const TiledMap& map)
{
    const ShapeSet& shapes = *run.shapes;
    const size_t cells = size_t{map.width} * map.height;
    std::string out;
    out.reserve(cells * 4 * (map.layers.size() + 1) + 4096);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map";
    append_attribute(out, "version", kTmxVersion);
    append_attribute(out, "orientation", "orthogonal");
    append_attribute(out, "renderorder", "right-down");
    append_attribute(out, "width", map.width);
    append_attribute(out, "height", map.height);
    append_attribute(out, "tilewidth", shapes.tile_width);
    append_attribute(out, "tileheight", shapes.tile_height);
    append_attribute(out, "infinite", 0);
    append_attribute(out, "nextlayerid", map.layers.size() + 2);
    append_attribute(out, "nextobjectid", map.objects.size() + 1);
    out += ">\n";
    append_properties(out, " ", run.properties, map.properties);
    out += " <tileset firstgid=\"1\"";
    append_attribute(out, "source", run.tileset + ".tsx");
    out += "/>\n";
    if (run.masked_count > 0) {
        out += " <tileset";
        append_attribute(out, "firstgid", uint64_t{run.shape_count} + 1);
        append_attribute(out, "source", run.masked_tileset + ".tsx");
        out += "/>\n";
    }
    uint32_t id = 0;
    for (const TiledLayer& layer : map.layers) {
        out += " <layer";
        append_attribute(out, "id", ++id);
        append_attribute(out, "name", layer.name);
        append_attribute(out, "width", map.width);
        append_attribute(out, "height", map.height);
        if (!layer.visible) append_attribute(out, "visible", 0);
        out += ">\n  <data encoding=\"csv\">\n";
        for (size_t i = 0; i < cells && i < layer.cells.size(); ++i) {
            out += std::to_string(layer.cells[i]);
            if (i + 1 < cells) out += (i + 1) % map.width == 0 ? ",\n" : ",";
        }
        out += "\n</data>\n </layer>\n";
    }
    if (!map.objects.empty()) {
        out += " <objectgroup";
        append_attribute(out, "id", ++id);
        append_attribute(out, "name", "sites");
        append_attribute(out, "visible", 0);
        out += ">\n";
        uint32_t object_id = 0;
        for (const TiledObject& object : map.objects) {
            out += "  <object";
            append_attribute(out, "id", ++object_id);
            append_attribute(out, "name", object.name);
            append_attribute(out, "type", object.type);
            append_attribute(out, "x", uint64_t{object.x} * shapes.tile_width);
            append_attribute(out, "y", uint64_t{object.y} * shapes.tile_height);
            append_attribute(out, "width", shapes.tile_width);
            append_attribute(out, "height", shapes.tile_height);
            if (object.properties.empty()) {
                out += "/>\n";
                continue;
            }
            out += ">\n";
            append_properties(out, "   ", object.properties);
            out += "  </object>\n";
        }
        out += " </objectgroup>\n";
    }
    out += "</map>\n";
    return out;
}

int write_text(const std::string& path, const std::string& text)
{
    return write_file_bytes(path.c_str(), std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// The shapes with their colours as the PNG writer gives them and alpha 0
// where the mask lets the tile beneath show.
int write_masked_sheet(const TiledRun& run, const std::string& path)
{
    const ShapeSet& shapes = *run.shapes;
    const ShapeMask& mask = *run.mask;
    const size_t width = size_t{16} * shapes.tile_width;
    const size_t height = size_t{run.masked_count / 16} * shapes.tile_height;
    const size_t bpp = shapes.bytes_per_pixel;
    std::vector<uint8_t> rgba(width * height * 4);
    for (size_t i = 0; i < width * height; ++i) {
        const uint8_t* p = shapes.pixels.data() + i * bpp;
        uint8_t* out = rgba.data() + i * 4;
        uint32_t blue = 0, green = 0, red = 0;
        if (shapes.bits_per_pixel <= 8) {
            size_t index = p[0];
            if (shapes.bits_per_pixel == 1) index = index != 0;
            else if (shapes.bits_per_pixel == 4) index &= 0x0F;
            if ((index + 1) * 4 <= shapes.palette.size()) {
                blue = shapes.palette[4 * index];
                green = shapes.palette[4 * index + 1];
                red = shapes.palette[4 * index + 2];
            }
        } else if (shapes.bits_per_pixel == 16) {
            const unsigned v = p[0] | p[1] << 8;
            red = (v >> 10) & 31, green = (v >> 5) & 31, blue = v & 31;
            red = red << 3 | red >> 2, green = green << 3 | green >> 2, blue = blue << 3 | blue >> 2;
        } else {
            blue = p[0], green = p[1], red = p[2];
        }
        out[0] = static_cast<uint8_t>(red);
        out[1] = static_cast<uint8_t>(green);
        out[2] = static_cast<uint8_t>(blue);
        out[3] = mask.pixels[i] ? 0 : 255;
    }
    std::vector<uint8_t> png;
    if (png_encode_rgba(png, static_cast<uint32_t>(width), static_cast<uint32_t>(height), rgba) < 0) {
        std::puts("error: write_bitmap() - can't write bitmap data");
        std::printf("error: write bitmap '%s'\n", path.c_str());
        return -1;
    }
    return write_file_bytes(path.c_str(), png);
}

int write_tileset(const TiledRun& run, bool masked)
{
    const ShapeSet& shapes = *run.shapes;
    const std::string& name = masked ? run.masked_tileset : run.tileset;
    const uint32_t tiles = masked ? run.masked_count : run.shape_count;
    const std::string png = join(run.dir, name + ".png");
    const std::string tsx = join(run.dir, name + ".tsx");
    const int written =
        masked ? write_masked_sheet(run, png)
               : write_picture_rows(png.c_str(), 16 * shapes.tile_width, tiles / 16 * shapes.tile_height,
                                    shapes.bits_per_pixel, shapes.palette, shapes.pixels, 1, PictureFormat::kPng);
    if (written < 0 || write_text(tsx, tileset_text(run, name, tiles, masked)) < 0) {
        std::printf("error: write tileset file '%s'\n", tsx.c_str());
        return -1;
    }
    return 0;
}

bool exists(const std::string& path)
{
#if defined(_WIN32)
    struct _stat64 st;
    return _stat64(path.c_str(), &st) == 0;
#else
    struct stat st;
    return stat(path.c_str(), &st) == 0;
#endif
}


}  // namespace

void tiled_run_init(TiledRun& run, const char* dir, const char* tool, const char* tag, const ShapeSet& shapes,
                    const ShapeMask* mask, bool from_sheets, int overwrite)
{
    run = TiledRun{};
    run.dir = dir;
    run.overwrite = overwrite;
    run.shapes = &shapes;
    run.tileset = tool;
    if (tag) run.tileset += std::string("-") + tag;
    if (from_sheets) run.tileset += "-" + crc_tag(shapes);
    run.shape_count = sheet_tiles(shapes, shapes.bytes_per_pixel);
    if (mask && !mask->pixels.empty() && mask->tile_width == shapes.tile_width &&
        mask->tile_height == shapes.tile_height) {
        run.mask = mask;
        run.masked_count = std::min(run.shape_count, sheet_tiles(*mask, 1));
        run.masked_tileset = run.tileset + "-masked";
        if (from_sheets) run.masked_tileset += "-" + crc_tag(*mask);
    }
    if (run.masked_count == 0) run.mask = nullptr;
}

std::string tiled_map_name(const char* picture_name)
{
    std::string name = picture_name;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name + ".tmx";
}

uint32_t tiled_gid(const TiledRun& run, uint32_t shape)
{
    return shape < run.shape_count ? shape + 1 : 0;
}

uint32_t tiled_masked_gid(const TiledRun& run, uint32_t shape)
{
    return shape < run.masked_count ? run.shape_count + 1 + shape : 0;
}

TiledStack tiled_stack(const TiledRun& run, uint32_t shape, uint32_t beneath)
{
    TiledStack stack;
    if (beneath != kTiledNone && tiled_gid(run, beneath) != 0 && tiled_gid(run, shape) != 0 &&
        tiled_masked_gid(run, shape) != 0) {
        stack.ground = tiled_gid(run, beneath);
        stack.over = tiled_masked_gid(run, shape);
    } else {
        stack.ground = tiled_gid(run, shape);
    }
    return stack;
}

TiledMap& tiled_add_world(TiledRun& run, std::string file, std::span<const uint8_t> map, uint32_t chunk_edge,
                          uint32_t gates, int balloon)
{
    TiledMap& world = run.maps.emplace_back();
    world.file = std::move(file);
    world.width = kWorldTiles;
    world.height = kWorldTiles;
    world.properties = {{"map_chunk_edge", std::to_string(chunk_edge), "int"}};
    TiledLayer& bytes = world.layers.emplace_back();
    bytes.name = "map bytes";
    bytes.visible = false;
    bytes.cells.resize(size_t{kWorldTiles} * kWorldTiles);
    for (uint32_t y = 0; y < kWorldTiles; ++y)
        for (uint32_t x = 0; x < kWorldTiles; ++x)
            bytes.cells[size_t{y} * kWorldTiles + x] = uint32_t{map[world_map_index(x, y, chunk_edge)]} + 1;
    for (uint32_t k = 0; k < 8; ++k) {
        const bool drawn = (gates >> k) & 1;
        world.objects.push_back({"phase " + std::to_string(k + 1), "moon gate", kMoonGateSites[k].x,
                                 kMoonGateSites[k].y, {{"drawn", drawn ? "true" : "false", "bool"}}});
    }
    world.objects.push_back(
        {"balloon", "balloon", kBalloonSite.x, kBalloonSite.y, {{"drawn", balloon ? "true" : "false", "bool"}}});
    return world;
}

void tiled_plain_world_layers(TiledRun& run, TiledMap& map, std::span<const uint8_t> bytes, uint32_t chunk_edge,
                              uint32_t gates, int balloon)
{
    TiledLayer ground{"ground", true, std::vector<uint32_t>(size_t{kWorldTiles} * kWorldTiles)};
    TiledLayer sites{"gates", true, std::vector<uint32_t>(size_t{kWorldTiles} * kWorldTiles)};
    for (uint32_t y = 0; y < kWorldTiles; ++y)
        for (uint32_t x = 0; x < kWorldTiles; ++x) {
            const size_t at = size_t{y} * kWorldTiles + x;
            ground.cells[at] = tiled_gid(run, bytes[world_map_index(x, y, chunk_edge)]);
            if (world_gate_at(gates, x, y)) sites.cells[at] = tiled_gid(run, kMoonGateShape);
            if (balloon && x == kBalloonSite.x && y == kBalloonSite.y) sites.cells[at] = tiled_gid(run, kBalloonShape);
        }
    map.layers.push_back(std::move(ground));
    map.layers.push_back(std::move(sites));
}

std::string tiled_site_options(uint32_t gates, int balloon)
{
    std::string words;
    if ((gates & 0xFF) == 0xFF) words += "-g ";
    else
        for (uint32_t k = 0; k < 8; ++k)
            if ((gates >> k) & 1) words += "-p " + std::to_string(k + 1) + " ";
    if (balloon) words += "-b ";
    return words;
}

void tiled_describe(TiledRun& run, const char* port, const char* tool, std::string options)
{
    while (!options.empty() && options.back() == ' ') options.pop_back();
    run.properties = {{"port", port}, {"tool", tool}, {"options", std::move(options)}};
}

int tiled_write(const TiledRun& run)
{
    if (make_output_directory(run.dir) < 0) return -1;
    std::vector<std::string> names = {run.tileset + ".png", run.tileset + ".tsx"};
    if (run.mask) names.insert(names.end(), {run.masked_tileset + ".png", run.masked_tileset + ".tsx"});
    for (const TiledMap& map : run.maps) names.push_back(map.file);
    if (!run.overwrite) {
        for (const std::string& name : names) {
            const std::string path = join(run.dir, name);
            if (!exists(path)) continue;
            std::printf("'%s' already exists\n", path.c_str());
            if (ask_yes_no("overwrite ?")) break;
            if (!run.maps.empty()) std::printf("error: write map file '%s'\n", join(run.dir, run.maps[0].file).c_str());
            return -1;
        }
    }
    // Tilesets first: no map is ever left pointing at a missing one.
    if (write_tileset(run, false) < 0 || (run.mask && write_tileset(run, true) < 0)) return -1;
    for (const TiledMap& map : run.maps) {
        const std::string path = join(run.dir, map.file);
        if (write_text(path, map_text(run, map)) < 0) {
            std::printf("error: write map file '%s'\n", path.c_str());
            return -1;
        }
    }
    return 0;
}
