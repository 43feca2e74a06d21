#include "cli.h"

#include <cstdio>
#include <cstring>

#include "vorn_version.h"

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

}  // namespace

int cli_parse_number(const char* word, int32_t* value)
{
    const char* p = word;
    while (is_space(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit_value(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    const char* digits = p;
    uint64_t v = 0;
    bool overflow = false;
    while (digit_value(*p) < static_cast<int>(base)) {
        v = v * base + static_cast<unsigned>(digit_value(*p));
        if (v > 0xFFFFFFFFULL) {
            overflow = true;
            v = 0xFFFFFFFFULL;
        }
        ++p;
    }
    // No digits at all: strtoul leaves the end at the start of the word.
    const char* end = p == digits ? word : p;
    uint32_t result;
    if (overflow) result = 0xFFFFFFFFU;
    else if (negative) result = static_cast<uint32_t>(0U - static_cast<uint32_t>(v));
    else result = static_cast<uint32_t>(v);
    if (*end != '\0') return -1;
    *value = static_cast<int32_t>(result);
    return 0;
}

int cli_add_phase(const char* word, uint32_t* gates)
{
    int32_t phase = 0;
    if (cli_parse_number(word, &phase) < 0 || phase < 1 || phase > 8) {
        std::printf("error: illegal phase value: %s\n", word);
        return -1;
    }
    *gates |= 1u << (phase - 1);
    return 0;
}

void cli_print_version(const char* tool_name)
{
    std::printf("%s %s\n", tool_name, kVornVersion);
}

CliOutput cli_output(const char* name, int name_given, int png_option)
{
    CliOutput output;
    output.format = png_option ? PictureFormat::kPng : picture_format_of(name);
    output.name = output.format == PictureFormat::kPng && !name_given ? png_name_of(name) : std::string(name);
    return output;
}

namespace {

// Reads the decimal numbers of "X,Y,W,H": digits only, four of them.
bool parse_area(const char* word, uint32_t out[4])
{
    const char* p = word;
    for (int k = 0; k < 4; ++k) {
        if (k > 0 && *p++ != ',') return false;
        if (*p < '0' || *p > '9') return false;
        uint64_t v = 0;
        while (*p >= '0' && *p <= '9') {
            v = v * 10 + static_cast<unsigned>(*p++ - '0');
            if (v > 0xFFFFFFFFu) return false;
        }
        out[k] = static_cast<uint32_t>(v);
    }
    return *p == '\0';
}

}  // namespace

int cli_view_option(CliView& view, int argc, char** argv, int* i, uint32_t map_tiles)
{
    const char* arg = argv[*i];
    const bool atlas = std::strcmp(arg, "--atlas") == 0;
    const bool tiled = std::strcmp(arg, "--tiled") == 0;
    const bool area = std::strcmp(arg, "--area") == 0;
    const bool shrink = std::strcmp(arg, "--shrink") == 0;
    if (!atlas && !tiled && !area && !shrink) return 0;
    if (*i + 1 >= argc) {
        std::puts(area ? "error: no area value" : shrink ? "error: no shrink value" : "error: no directory name");
        return -1;
    }
    const char* word = argv[++*i];
    if (atlas || tiled) {
        view.atlas = atlas ? word : nullptr;
        view.tiled = tiled ? word : nullptr;
    } else if (area) {
        uint32_t v[4];
        if (!parse_area(word, v) || v[2] == 0 || v[3] == 0 || v[0] >= map_tiles || v[1] >= map_tiles ||
            v[2] > map_tiles - v[0] || v[3] > map_tiles - v[1]) {
            std::printf("error: illegal area '%s'\n", word);
            return -1;
        }
        view.area_x = v[0];
        view.area_y = v[1];
        view.area_width = v[2];
        view.area_height = v[3];
    } else {
        int32_t n = 0;
        if (cli_parse_number(word, &n) < 0 || n < 0 || !cli_shrink_allowed(static_cast<uint32_t>(n))) {
            std::printf("error: illegal shrink '%s'\n", word);
            return -1;
        }
        view.shrink = static_cast<uint32_t>(n);
        view.shrink_word = word;
    }
    return 1;
}

int cli_view_check(const CliView& view)
{
    const char* refused = nullptr;
    if (view.atlas && view.area_width != 0) refused = "error: --area does not apply to --atlas";
    else if (view.atlas && view.shrink > 1) refused = "error: --shrink does not apply to --atlas";
    else if (view.tiled && view.shrink > 1) refused = "error: --shrink does not apply to --tiled";
    else if (view.tiled && view.area_width != 0) refused = "error: --area does not apply to --tiled";
    if (!refused) return 0;
    std::puts(refused);
    return -1;
}

int cli_view_check_size(const CliView& view, uint32_t map_tiles, uint32_t tile_width, uint32_t tile_height)
{
    if (view.shrink <= 1) return 0;
    const uint64_t across = view.area_width ? view.area_width : map_tiles;
    const uint64_t down = view.area_width ? view.area_height : map_tiles;
    if ((across * tile_width) % view.shrink == 0 && (down * tile_height) % view.shrink == 0) return 0;
    std::printf("error: illegal shrink '%s'\n", view.shrink_word ? view.shrink_word : "");
    return -1;
}

void cli_print_view_usage()
{
    std::puts("           --atlas DIR          write a layer of a web atlas into DIR");
    std::puts("           --tiled DIR          write Tiled map files into DIR");
    std::puts("           --area X,Y,W,H       draw only W x H tiles from column X, row Y");
    std::puts("           --shrink N           shrink the picture N times (2, 4, 8, 16, 32)");
}

int cli_export_option(CliExport& sheets, int argc, char** argv, int* i, int with_mask)
{
    const char* arg = argv[*i];
    const char** name = nullptr;
    if (std::strcmp(arg, "--export-shapes") == 0) name = &sheets.shapes;
    else if (with_mask && std::strcmp(arg, "--export-mask") == 0) name = &sheets.mask;
    else return 0;
    if (*i + 1 >= argc) {
        std::puts("error: no bitmap name");
        return -1;
    }
    *name = argv[++*i];
    return 1;
}

int cli_export_check(const CliExport& sheets, int has_mask)
{
    if (sheets.mask && !has_mask) {
        std::puts("error: no mask to export");
        return -1;
    }
    return 0;
}

int cli_export_sheets(const CliExport& sheets, const ShapeSet& shapes, const ShapeMask* mask, int overwrite)
{
    if (sheets.shapes && write_shape_bitmap(sheets.shapes, shapes, overwrite) < 0) {
        std::printf("error: write bitmap file '%s'\n", sheets.shapes);
        return -1;
    }
    if (!sheets.mask) return 0;
    if (!mask || mask->pixels.empty()) {
        std::puts("error: no mask to export");
        return -1;
    }
    if (write_shape_bitmap(sheets.mask, *mask, overwrite) < 0) {
        std::printf("error: write bitmap file '%s'\n", sheets.mask);
        return -1;
    }
    return 0;
}
