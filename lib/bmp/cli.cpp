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
