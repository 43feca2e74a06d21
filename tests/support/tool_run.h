// Running the built tools from tests: a scratch directory per test and a
// runner that feeds standard input and captures standard output and status.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorn_test {

// A fresh empty directory, removed with everything in it at the end.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct RunResult {
    int status = -1;   // exit status, or -1 when the tool did not exit normally
    std::string out;   // standard output (CR LF read as LF)
};

// Directory of the built tools: $VORN_TOOL_DIR, else the build's own.
std::filesystem::path tool_dir();

// Path of a built tool or helper program (".exe" added under a runner).
std::filesystem::path tool_path(const std::string& name);

// Runs a built tool in cwd with the given arguments; stdin_text is its whole
// standard input (empty: end of input at once). When $VORN_TOOL_RUNNER is set
// (an emulator such as a Windows loader), the tool is started through it.
RunResult run_tool(const std::string& name, const std::vector<std::string>& args,
                   const std::filesystem::path& cwd, const std::string& stdin_text = "");

std::vector<uint8_t> read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void write_file(const std::filesystem::path& path, const std::string& text);

}  // namespace vorn_test
