// Helpers for the tests that hand the tools odd files: a FIFO fed from a
// thread, and a check that a failed run left no picture behind.
#pragma once

#include <atomic>
#include <memory>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tool_run.h"

namespace odd_files {

// Makes a FIFO at path and feeds it: a thread waits (without blocking) for a
// reader to open it, writes the bytes, closes it, and does so serve_count
// times. Destroying the feeder stops the thread. A tool that never opens the
// FIFO therefore never hangs the test, and a tool that opens it always sees
// the end of its data.
class FifoFeeder {
public:
    FifoFeeder(const std::filesystem::path& path, std::vector<uint8_t> bytes, int serve_count = 1);
    ~FifoFeeder();
    FifoFeeder(const FifoFeeder&) = delete;
    FifoFeeder& operator=(const FifoFeeder&) = delete;
    bool ok() const { return ok_; }
    int served() const { return served_.load(); }

private:
    void run();

    std::string path_;
    std::vector<uint8_t> bytes_;
    int serve_count_;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> served_{0};
    std::thread thread_;
};

// What an input file is turned into.
enum class Odd { kDirectory, kFifo, kUnreadable };
const char* odd_name(Odd odd);

// Turns the file at path into a directory, a FIFO fed with the file's bytes
// (the feeder is returned and must live while the tool runs), or a file of
// mode 000.
std::unique_ptr<FifoFeeder> make_odd(const std::filesystem::path& path, Odd odd);

// Names of the entries of dir, sorted.
std::vector<std::string> entries(const std::filesystem::path& dir);

// Runs a built tool in cwd the way run_tool does, but with files limited to
// limit_kib blocks of 512 or 1,024 bytes, whichever the shell counts (as on
// a disk that fills up while the picture is written):
// writes past the limit fail instead of raising SIGXFSZ. Standard input is
// empty.
vorn_test::RunResult run_with_file_limit(const std::string& tool, const std::vector<std::string>& args,
                                         const std::filesystem::path& cwd, unsigned limit_kib);

// Runs a built tool like run_with_file_limit, with its address space
// limited to limit_kib KiB instead, so that large allocations fail.
vorn_test::RunResult run_with_memory_limit(const std::string& tool, const std::vector<std::string>& args,
                                           const std::filesystem::path& cwd, unsigned limit_kib);

// Why the odd-file tests cannot run here, or null when they can: started
// through a runner ($VORN_TOOL_RUNNER, such as a Windows loader), the tools
// see none of the POSIX file kinds and limits these tests build on.
const char* posix_only_reason();

// True when the tests run with the rights of the superuser (who may read a
// file of mode 000).
bool running_as_root();

}  // namespace odd_files
