#include "odd_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace odd_files {

namespace fs = std::filesystem;

FifoFeeder::FifoFeeder(const fs::path& path, std::vector<uint8_t> bytes, int serve_count)
    : path_(path.string()), bytes_(std::move(bytes)), serve_count_(serve_count)
{
    // A reader that closes early must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    ok_ = mkfifo(path_.c_str(), 0644) == 0;
    if (ok_) thread_ = std::thread([this] { run(); });
}

FifoFeeder::~FifoFeeder()
{
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void FifoFeeder::run()
{
    while (!stop_ && served_ < serve_count_) {
        // Opening the write side without blocking fails with ENXIO until a
        // reader has the FIFO open.
        const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        size_t done = 0;
        while (done < bytes_.size()) {
            const ssize_t n = write(fd, bytes_.data() + done, bytes_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        close(fd);
        ++served_;
    }
}

const char* odd_name(Odd odd)
{
    switch (odd) {
        case Odd::kDirectory: return "directory";
        case Odd::kFifo: return "FIFO";
        case Odd::kUnreadable: return "unreadable file";
    }
    return "?";
}

std::unique_ptr<FifoFeeder> make_odd(const fs::path& path, Odd odd)
{
    if (odd == Odd::kUnreadable) {
        fs::permissions(path, fs::perms::none);
        return nullptr;
    }
    std::vector<uint8_t> bytes = vorn_test::read_file(path);
    fs::remove(path);
    if (odd == Odd::kDirectory) {
        fs::create_directory(path);
        return nullptr;
    }
    return std::make_unique<FifoFeeder>(path, std::move(bytes));
}

std::vector<std::string> entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::string shell_quote(const std::string& word)
{
    std::string out = "'";
    for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

namespace {

// Runs the tool through the shell after the given limit commands.
vorn_test::RunResult run_limited(const std::string& limits, const std::string& tool,
                                 const std::vector<std::string>& args, const fs::path& cwd)
{
    vorn_test::TempDir scratch;
    const fs::path out = scratch / "stdout";
    std::string command = "cd " + shell_quote(cwd.string()) + " && (" + limits + "; exec " +
                          shell_quote(vorn_test::tool_path(tool).string());
    for (const std::string& a : args) command += " " + shell_quote(a);
    command += ") </dev/null >" + shell_quote(out.string());
    const int status = std::system(command.c_str());
    vorn_test::RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto bytes = vorn_test::read_file(out);
    result.out.assign(bytes.begin(), bytes.end());
    return result;
}

}  // namespace

vorn_test::RunResult run_with_file_limit(const std::string& tool, const std::vector<std::string>& args,
                                         const fs::path& cwd, unsigned limit_kib)
{
    // The shell's ulimit -f counts blocks of 512 (dash) or 1,024 bytes
    // (bash); either way the limit stays far below a picture and far above
    // the few lines of messages, which are captured in a file.
    return run_limited("ulimit -f " + std::to_string(limit_kib) + "; trap '' XFSZ", tool, args, cwd);
}

vorn_test::RunResult run_with_memory_limit(const std::string& tool, const std::vector<std::string>& args,
                                           const fs::path& cwd, unsigned limit_kib)
{
    return run_limited("ulimit -v " + std::to_string(limit_kib), tool, args, cwd);
}

const char* posix_only_reason()
{
    const char* runner = std::getenv("VORN_TOOL_RUNNER");
    return runner && *runner ? "FIFOs, /dev/full, file modes and shell limits are POSIX; run without a tool runner"
                             : nullptr;
}

bool running_as_root() { return geteuid() == 0; }

}  // namespace odd_files
