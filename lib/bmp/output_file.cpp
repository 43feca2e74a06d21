// Writing a picture to its file: the question before an existing file is
// replaced, and a write that never leaves a truncated picture behind.
//
// A regular file (or a name not yet taken) is written through a temporary
// file in the same directory, which is renamed over the target only after it
// was closed successfully; on failure the temporary is removed and the target
// is left as it was. Anything else (a device such as /dev/null, a symbolic
// link), and a target beside which no temporary file can be made, is opened
// and written directly.
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "bitmap.h"
#include "stdio_file.h"

namespace {

enum class Target { kMissing, kRegular, kOther };

#if defined(_WIN32)
using StatRecord = struct _stat64;
int stat_path(const char* path, StatRecord* st) { return _stat64(path, st); }
#else
using StatRecord = struct stat;
int stat_path(const char* path, StatRecord* st) { return stat(path, st); }
#endif

Target classify(const char* path, StatRecord* st)
{
#if defined(_WIN32)
    if (_stat64(path, st) != 0) return Target::kMissing;
    return (st->st_mode & _S_IFMT) == _S_IFREG ? Target::kRegular : Target::kOther;
#else
    if (lstat(path, st) != 0) return Target::kMissing;
    return S_ISREG(st->st_mode) ? Target::kRegular : Target::kOther;
#endif
}

bool writable(const char* path)
{
#if defined(_WIN32)
    return _access(path, 2) == 0;
#else
    return access(path, W_OK) == 0;
#endif
}

// Creates a new temporary file beside path; stores its name.
FILE* create_temporary(const std::string& path, const StatRecord* existing, std::string& name)
{
#if defined(_WIN32)
    (void)existing;
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        name = path + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(attempt);
        int fd = -1;
        if (_sopen_s(&fd, name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE) == 0) {
            FILE* fp = _fdopen(fd, "wb");
            if (!fp) {
                _close(fd);
                std::remove(name.c_str());
            }
            return fp;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
#else
    std::string pattern = path + ".tmpXXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return nullptr;
    name = pattern;
    // The file gets the mode a plain create would give it, or keeps the mode
    // of the file it replaces.
    mode_t mode;
    if (existing) {
        mode = existing->st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0) {
        // Keep the restrictive mode of the temporary file rather than fail.
    }
    FILE* fp = fdopen(fd, "wb");
    if (!fp) {
        close(fd);
        std::remove(name.c_str());
    }
    return fp;
#endif
}

int replace_file(const std::string& from, const char* to)
{
#if defined(_WIN32)
    return MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
#else
    return std::rename(from.c_str(), to) == 0 ? 0 : -1;
#endif
}

// Opens the path itself for writing and writes the picture into it. A file
// that did not exist before (created) is removed again when the write fails,
// so that no cut-short picture stays under the name.
int write_directly(const char* path, const BmpHeader& header, const Bitmap& bitmap, bool created)
{
    UniqueFile fp = open_file(path, "wb");
    if (!fp) {
        std::printf("error: open '%s'\n", path);
        return -1;
    }
    bool failed = false;
    if (write_bitmap(fp.get(), header, bitmap.palette, bitmap.pixels) < 0) {
        fp.reset();
        failed = true;
    } else if (std::fclose(fp.release()) != 0) {
        std::puts("error: write_bitmap() - can't write bitmap data");
        failed = true;
    }
    if (failed) {
        if (created) std::remove(path);
        std::printf("error: write bitmap '%s'\n", path);
        return -1;
    }
    return 0;
}

}  // namespace

int ask_yes_no(const char* question)
{
    std::printf("%s (Y or N): ", question);
    std::fflush(stdout);
    for (;;) {
        const int c = std::getchar();
        if (c == EOF) return 0;
        if (c == 'y' || c == 'Y') return 1;
        if (c == 'n' || c == 'N') return 0;
    }
}

int write_bitmap_file(const char* path, const Bitmap& bitmap, int overwrite)
{
    BmpHeader header;
    if (create_bitmap_header(header, bitmap.width, bitmap.height,
                             static_cast<uint16_t>(bitmap.bits_per_pixel)) < 0) {
        std::puts("error: create bitmap header");
        return -1;
    }

    StatRecord st{};
    if (!overwrite && stat_path(path, &st) == 0) {
        std::printf("'%s' already exists\n", path);
        if (!ask_yes_no("overwrite ?")) return -1;
    }

    const Target target = classify(path, &st);
    if (target == Target::kOther) return write_directly(path, header, bitmap, false);

    if (target == Target::kRegular && !writable(path)) {
        std::printf("error: open '%s'\n", path);
        return -1;
    }
    std::string temporary;
    UniqueFile fp(create_temporary(path, target == Target::kRegular ? &st : nullptr, temporary));
    // Where no temporary file can be made beside the target (a directory
    // without write permission, a name too long for a suffix), the file is
    // opened and written in place.
    if (!fp) return write_directly(path, header, bitmap, target == Target::kMissing);
    int result = 0;
    if (write_bitmap(fp.get(), header, bitmap.palette, bitmap.pixels) < 0) {
        result = -1;
        fp.reset();
    } else if (std::fclose(fp.release()) != 0) {
        std::puts("error: write_bitmap() - can't write bitmap data");
        result = -1;
    } else if (replace_file(temporary, path) < 0) {
        // The name cannot take the finished file (an empty name, say): the
        // path itself is opened and written, and reports its own failure.
        std::remove(temporary.c_str());
        return write_directly(path, header, bitmap, target == Target::kMissing);
    }
    if (result < 0) {
        std::remove(temporary.c_str());
        std::printf("error: write bitmap '%s'\n", path);
    }
    return result;
}
