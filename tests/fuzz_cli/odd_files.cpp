#include "odd_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

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

std::vector<std::string> entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool running_as_root() { return geteuid() == 0; }

}  // namespace odd_files
