#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace vorn_fuzz {

namespace fs = std::filesystem;

void quiet_stdout()
{
    static const bool done = [] {
        std::fflush(stdout);
        return std::freopen("/dev/null", "w", stdout) != nullptr;
    }();
    (void)done;
}

namespace {

struct ScratchDir {
    fs::path path;
    ScratchDir()
    {
        path = fs::temp_directory_path() / ("vorn-fuzz-" + std::to_string(getpid()));
        fs::create_directories(path);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

}  // namespace

std::string scratch_path(const std::string& name)
{
    static ScratchDir dir;
    return (dir.path / name).string();
}

bool write_whole_file(const std::string& path, std::span<const uint8_t> bytes)
{
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    return std::fclose(fp) == 0 && ok;
}

ArgumentVector::ArgumentVector(std::span<const uint8_t> bytes, const char* program)
{
    words.emplace_back(program);
    std::string word;
    for (const uint8_t b : bytes) {
        if (b == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(b);
        }
    }
    if (!bytes.empty()) words.push_back(word);
    for (std::string& w : words) pointers.push_back(w.data());
    pointers.push_back(nullptr);
}

void check_view(const CliView& view, uint32_t map_tiles)
{
    if (view.area_width != 0 && (view.area_height == 0 || view.area_x + view.area_width > map_tiles ||
                                 view.area_y + view.area_height > map_tiles))
        std::abort();
    if (view.shrink != 1 && !cli_shrink_allowed(view.shrink)) std::abort();
    if ((view.atlas || view.tiled) && (view.shrink != 1 || view.area_width != 0)) std::abort();
    if (view.atlas && view.tiled) std::abort();
}

}  // namespace vorn_fuzz
