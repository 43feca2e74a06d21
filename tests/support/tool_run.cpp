#include "tool_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vorn_test {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::random_device rd;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("vorn-test-" + std::to_string(rd()) + std::to_string(getpid()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path tool_dir()
{
    if (const char* env = std::getenv("VORN_TOOL_DIR"); env && *env) return env;
    return VORN_TOOL_DIR;
}

static const char* runner()
{
    const char* env = std::getenv("VORN_TOOL_RUNNER");
    return env && *env ? env : nullptr;
}

fs::path tool_path(const std::string& name)
{
    return tool_dir() / (runner() ? name + ".exe" : name);
}

std::vector<uint8_t> read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void write_file(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

RunResult run_tool(const std::string& name, const std::vector<std::string>& args, const fs::path& cwd,
                   const std::string& stdin_text)
{
    // Standard input comes from a file so that a large input never blocks.
    TempDir scratch;
    const fs::path in_path = scratch / "stdin";
    write_file(in_path, stdin_text);

    int out_pipe[2];
    if (pipe(out_pipe) != 0) throw std::runtime_error("pipe");

    std::vector<std::string> argv_strings;
    if (const char* r = runner()) argv_strings.emplace_back(r);
    argv_strings.push_back(tool_path(name).string());
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argv_strings) argv.push_back(s.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        const int in_fd = open(in_path.c_str(), O_RDONLY);
        if (in_fd < 0) _exit(126);
        dup2(in_fd, 0);
        dup2(out_pipe[1], 1);
        close(in_fd);
        close(out_pipe[0]);
        close(out_pipe[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out_pipe[1]);
    RunResult result;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(out_pipe[0], buf, sizeof buf);
        if (n > 0) {
            result.out.append(buf, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(out_pipe[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (runner()) {
        std::string lf;
        for (size_t i = 0; i < result.out.size(); ++i)
            if (!(result.out[i] == '\r' && i + 1 < result.out.size() && result.out[i + 1] == '\n'))
                lf += result.out[i];
        result.out = lf;
    }
    return result;
}

}  // namespace vorn_test
