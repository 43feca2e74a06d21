// The web atlas: layer records (layer.json), the checks before a run writes
// into an atlas folder, and the page that offers every layer present there.
#include "atlas.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <system_error>
#include <vector>

#include "atlas_files.h"
#include "bitmap.h"
#include "stdio_file.h"
#include "worldmap.h"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The page's files at the top of the atlas folder; the leaflet folder is the
// embedded files whose names begin with "leaflet/".
constexpr const char* kPageNames[] = {"index.html", "atlas.js", "atlas.css", "layers.js"};
constexpr std::string_view kLeafletFolder = "leaflet";

// A page file begins with one of these when these tools wrote it: the first
// line of index.html, of atlas.js, atlas.css and layers.js, and of
// leaflet/LICENSE, which stands for the leaflet folder.
constexpr std::string_view kMarks[] = {"<!-- vorn-atlas:", "/* vorn-atlas:", "vorn-atlas:"};
constexpr std::string_view kLicenceHead =
    "vorn-atlas: Leaflet, as the vorn map tools embed it and write it into an atlas. Its licence:\n\n";

// A layer.json longer than this is no record of ours.
constexpr size_t kLayerJsonLimit = 4096;

bool present(const fs::path& path)
{
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(path, ec).type();
    return type != fs::file_type::not_found && type != fs::file_type::none;
}

bool is_folder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool written_here(const fs::path& path)
{
    UniqueFile file = open_file(path.string().c_str(), "rb");
    char head[20] = {};
    const size_t n = file ? std::fread(head, 1, sizeof head, file.get()) : 0;
    const std::string_view text(head, n);
    return std::any_of(std::begin(kMarks), std::end(kMarks), [&](std::string_view m) { return text.starts_with(m); });
}

bool is_leaflet_file(const AtlasEmbeddedFile& file)
{
    return std::string_view(file.name).starts_with("leaflet/");
}

// The name the messages give for a page file that lies at name.
std::string_view message_name(std::string_view name)
{
    return name.starts_with("leaflet/") ? kLeafletFolder : name;
}

// The first page name (in the order of the messages) at which lies something
// these tools did not write, or an empty view.
std::string_view foreign_page_file(const fs::path& root)
{
    for (const char* name : kPageNames)
        if (present(root / name) && !written_here(root / name)) return name;
    const fs::path leaflet = root / kLeafletFolder;
    if (!present(leaflet)) return {};
    if (!is_folder(leaflet)) return kLeafletFolder;
    if (written_here(leaflet / "LICENSE")) return {};
    for (size_t i = 0; i < kAtlasEmbeddedFileCount; ++i)
        if (is_leaflet_file(kAtlasEmbeddedFiles[i]) && present(root / kAtlasEmbeddedFiles[i].name))
            return kLeafletFolder;
    return {};
}

#if defined(_WIN32)
int replace_file(const fs::path& from, const fs::path& to)
{
    return MoveFileExA(from.string().c_str(), to.string().c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
}
long process_id() { return _getpid(); }
#else
int replace_file(const fs::path& from, const fs::path& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : -1;
}
long process_id() { return static_cast<long>(getpid()); }
#endif

// Writes the parts one after the other into a temporary file beside path,
// then renames it over path. 0, or -1 with nothing left behind.
int write_whole_file(const fs::path& path, std::initializer_list<std::string_view> parts)
{
    fs::path temporary = path;
    temporary.replace_filename("." + path.filename().string() + ".tmp" + std::to_string(process_id()));
    UniqueFile file = open_file(temporary.string().c_str(), "wb");
    if (!file) return -1;
    bool failed = false;
    for (std::string_view part : parts)
        failed = failed || std::fwrite(part.data(), 1, part.size(), file.get()) != part.size();
    failed = std::fclose(file.release()) != 0 || failed;
    if (failed || replace_file(temporary, path) < 0) {
        std::remove(temporary.string().c_str());
        return -1;
    }
    return 0;
}

std::string_view bytes_of(const AtlasEmbeddedFile& file)
{
    return {reinterpret_cast<const char*>(file.bytes), file.size};
}

// ---- layer records ------------------------------------------------------------

bool name_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '\'' || c == '-';
}

bool valid_layer(const AtlasLayerInfo& info)
{
    const std::string& name = info.name;
    if (name.empty() || name.size() > 200 || name[0] == '.' || !std::all_of(name.begin(), name.end(), name_char))
        return false;
    if (name == kLeafletFolder ||
        std::any_of(std::begin(kPageNames), std::end(kPageNames), [&](const char* page) { return name == page; }))
        return false;
    const std::string& title = info.title;
    if (title.empty() || title.size() > 200 ||
        !std::all_of(title.begin(), title.end(), [](char c) { return c >= 0x20 && c <= 0x7E; }))
        return false;
    if (info.kind != "world" && info.kind != "town") return false;
    if (info.port != "pc" && info.port != "pc98" && info.port != "x68k" && info.port != "a2") return false;
    if (info.tile_width == 0 || info.tile_height == 0 || info.tile_width > 1024 || info.tile_height > 1024 ||
        info.top_zoom > 16)
        return false;
    // At the top zoom an image covers 8 x 8 tiles, and there are 2^zoom images each way.
    const uint64_t span = uint64_t{8} << info.top_zoom;
    return info.map_width != 0 && info.map_height != 0 && info.map_width <= span && info.map_height <= span;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// The record on one line, without its line feed.
std::string layer_json(const AtlasLayerInfo& info)
{
    const auto number = [](uint32_t value) { return std::to_string(value); };
    return "{\"name\":" + quoted(info.name) + ",\"title\":" + quoted(info.title) + ",\"kind\":" + quoted(info.kind) +
           ",\"port\":" + quoted(info.port) + ",\"order\":" + number(info.order) +
           ",\"tileWidth\":" + number(info.tile_width) + ",\"tileHeight\":" + number(info.tile_height) +
           ",\"mapWidth\":" + number(info.map_width) + ",\"mapHeight\":" + number(info.map_height) +
           ",\"topZoom\":" + number(info.top_zoom) + ",\"imageWidth\":" + number(8 * info.tile_width) +
           ",\"imageHeight\":" + number(8 * info.tile_height) + "}";
}

// Reads the fields of a record in their fixed order; the record counts only
// when the writer would give the same bytes back.
struct RecordReader {
    std::string_view text;
    size_t at = 0;
    bool ok = true;

    void expect(std::string_view word)
    {
        ok = ok && text.substr(at).starts_with(word);
        if (ok) at += word.size();
    }
    std::string string(std::string_view key)
    {
        expect(key);
        expect("\"");
        std::string out;
        while (ok && at < text.size() && text[at] != '"') {
            if (text[at] == '\\') ++at;
            if (at < text.size()) out += text[at++];
        }
        expect("\"");
        return out;
    }
    uint32_t number(std::string_view key)
    {
        expect(key);
        uint64_t value = 0;
        const size_t start = at;
        while (ok && at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= UINT32_MAX)
            value = value * 10 + static_cast<uint32_t>(text[at++] - '0');
        ok = ok && at > start && value <= UINT32_MAX;
        return static_cast<uint32_t>(value);
    }
};

int read_layer_info(const fs::path& path, AtlasLayerInfo& info)
{
    UniqueFile file = open_file(path.string().c_str(), "rb");
    if (!file) return -1;
    std::string text(kLayerJsonLimit + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    if (text.size() > kLayerJsonLimit) return -1;
    RecordReader in{text};
    info.name = in.string("{\"name\":");
    info.title = in.string(",\"title\":");
    info.kind = in.string(",\"kind\":");
    info.port = in.string(",\"port\":");
    info.order = in.number(",\"order\":");
    info.tile_width = in.number(",\"tileWidth\":");
    info.tile_height = in.number(",\"tileHeight\":");
    info.map_width = in.number(",\"mapWidth\":");
    info.map_height = in.number(",\"mapHeight\":");
    info.top_zoom = in.number(",\"topZoom\":");
    return in.ok && valid_layer(info) && layer_json(info) + "\n" == text ? 0 : -1;
}

// Every folder of the atlas (but the '.' ones) whose record reads back with
// the folder's name, by order, then name. 0, or -1 when the folder cannot be
// listed.
int list_layers(const fs::path& root, std::vector<AtlasLayerInfo>& layers)
{
    std::error_code ec;
    std::vector<std::string> names;
    fs::directory_iterator it(root, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        try {
            std::string name = it->path().filename().string();
            std::error_code type_ec;
            if (!name.empty() && name[0] != '.' && it->is_directory(type_ec)) names.push_back(std::move(name));
        } catch (const std::system_error&) {
            // A name this system cannot spell in its narrow code page is no layer of ours.
        }
    }
    if (ec) return -1;
    for (const std::string& name : names) {
        AtlasLayerInfo info;
        if (read_layer_info(root / name / "layer.json", info) == 0 && info.name == name) layers.push_back(info);
    }
    std::sort(layers.begin(), layers.end(), [](const AtlasLayerInfo& a, const AtlasLayerInfo& b) {
        return a.order != b.order ? a.order < b.order : a.name < b.name;
    });
    return 0;
}

// layers.js: the layers in the order of the switcher, and the sites drawn
// over the world maps (game tile columns and rows).
std::string layers_script(const std::vector<AtlasLayerInfo>& layers)
{
    std::string s = "/* vorn-atlas: the layers of this atlas, written by the vorn map tools */\n"
                    "window.VORN_ATLAS = {\n\"layers\": [";
    for (size_t i = 0; i < layers.size(); ++i) s += (i ? ",\n" : "\n") + layer_json(layers[i]);
    s += "\n],\n\"moonGates\": [";
    for (uint32_t k = 0; k < 8; ++k)
        s += (k ? ",\n" : "\n") + std::string("{\"phase\":") + std::to_string(k + 1) +
             ",\"x\":" + std::to_string(kMoonGateSites[k].x) + ",\"y\":" + std::to_string(kMoonGateSites[k].y) + "}";
    s += "\n],\n\"balloon\": {\"x\":" + std::to_string(kBalloonSite.x) + ",\"y\":" + std::to_string(kBalloonSite.y) +
         "}\n};\n";
    return s;
}

// Writes the page; the name (as the messages give it) of the file that
// failed, or an empty view. The leaflet folder comes first, its licence (the
// mark) last in it, and index.html last of all.
std::string_view write_page(const fs::path& root, const std::vector<AtlasLayerInfo>& layers)
{
    std::error_code ec;
    const fs::path leaflet = root / kLeafletFolder;
    if (present(leaflet) && !is_folder(leaflet)) fs::remove(leaflet, ec);
    fs::create_directories(leaflet / "images", ec);
    if (ec) return kLeafletFolder;
    if (write_whole_file(root / "layers.js", {layers_script(layers)}) < 0) return "layers.js";
    for (size_t i = 0; i < kAtlasEmbeddedFileCount; ++i) {
        const AtlasEmbeddedFile& file = kAtlasEmbeddedFiles[i];
        const std::string_view name = file.name;
        const int written = name == "leaflet/LICENSE"
                                ? write_whole_file(root / file.name, {kLicenceHead, bytes_of(file)})
                                : write_whole_file(root / file.name, {bytes_of(file)});
        if (written < 0) return message_name(name);
    }
    return {};
}

}  // namespace

int atlas_open(const char* dir, int overwrite)
{
    const fs::path root(dir);
    if (make_output_directory(dir) < 0) return -1;
    if (overwrite) return 0;
    const std::string_view foreign = foreign_page_file(root);
    if (foreign.empty()) return 0;
    std::printf("'%.*s' already exists\n", static_cast<int>(foreign.size()), foreign.data());
    return ask_yes_no("overwrite ?") ? 0 : -1;
}

int atlas_layer_info_write(const char* layer_dir, const AtlasLayerInfo& info)
{
    if (!valid_layer(info)) {
        std::printf("error: illegal layer '%s'\n", info.name.c_str());
        return -1;
    }
    if (write_whole_file(fs::path(layer_dir) / "layer.json", {layer_json(info), "\n"}) < 0) {
        std::printf("error: write 'layer.json' of layer '%s'\n", info.name.c_str());
        return -1;
    }
    return 0;
}

int atlas_page_write(const char* dir)
{
    const fs::path root(dir);
    std::vector<AtlasLayerInfo> layers;
    if (list_layers(root, layers) < 0) {
        std::printf("error: read directory '%s'\n", dir);
    } else {
        const std::string_view failed = write_page(root, layers);
        if (failed.empty()) return 0;
        std::printf("error: write '%.*s'\n", static_cast<int>(failed.size()), failed.data());
    }
    std::printf("error: write atlas page '%s'\n", dir);
    return -1;
}
