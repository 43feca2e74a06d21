#include "stdio_file.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <filesystem>

UniqueFile open_file(const char* path, const char* mode)
{
    UniqueFile fp(std::fopen(path, mode));
#if !defined(_WIN32)
    // Windows refuses to open a directory as a file; POSIX systems open it
    // and fail at the first read or seek, so refuse it here the same way.
    struct stat st;
    if (fp && mode[0] == 'r' && fstat(fileno(fp.get()), &st) == 0 && S_ISDIR(st.st_mode)) {
        fp.reset();
        errno = EISDIR;
    }
#endif
    return fp;
}

int file_seek64(FILE* fp, int64_t offset, int whence)
{
#if defined(_WIN32)
    return _fseeki64(fp, offset, whence) == 0 ? 0 : -1;
#else
    return fseeko(fp, static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
#endif
}

int64_t file_tell64(FILE* fp)
{
#if defined(_WIN32)
    const int64_t pos = _ftelli64(fp);
#else
    const int64_t pos = static_cast<int64_t>(ftello(fp));
#endif
    return pos < 0 ? -1 : pos;
}

int64_t file_bytes_left(FILE* fp)
{
    const int64_t here = file_tell64(fp);
    if (here < 0) return -1;
    if (file_seek64(fp, 0, SEEK_END) != 0) return -1;
    const int64_t end = file_tell64(fp);
    if (file_seek64(fp, here, SEEK_SET) != 0) return -1;
    if (end < here) return -1;
    return end - here;
}

int make_output_directory(const char* dir)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path(dir);
    const fs::file_status status = fs::status(path, error);
    if (fs::exists(status)) {
        if (fs::is_directory(status)) return 0;
        std::printf("error: not a directory '%s'\n", dir);
        return -1;
    }
    if (*dir == '\0' || (!fs::create_directories(path, error) && !fs::is_directory(path, error))) {
        std::printf("error: make directory '%s'\n", dir);
        return -1;
    }
    return 0;
}
