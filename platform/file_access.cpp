#include "platform/file_access.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvo::platform {

namespace {

std::string withSlashes(std::string_view name)
{
    std::string path(name);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int openFlags(OpenMode mode)
{
    switch (mode) {
    case OpenMode::Read: return O_RDONLY;
    case OpenMode::WriteTruncate: return O_WRONLY | O_CREAT;
    case OpenMode::Append: return O_WRONLY | O_CREAT | O_APPEND;
    case OpenMode::ReadWrite: return O_RDWR | O_CREAT;
    }
    return -1;
}

bool lockFor(int descriptor, Sharing sharing)
{
    switch (sharing) {
    case Sharing::Exclusive: return ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
    case Sharing::OthersMayRead: return ::flock(descriptor, LOCK_SH | LOCK_NB) == 0;
    case Sharing::OthersMayReadWrite: return true;
    }
    return false;
}

}

std::string resolveFileName(std::string_view name)
{
    std::string path = withSlashes(name);
    if (path.empty() || exists(path))
        return path;
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty())
        return path;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return path;
    std::string resolved = path;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, base.c_str()) == 0) {
            resolved = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return resolved;
}

int openFile(std::string_view name, OpenMode mode, Sharing sharing)
{
    const int flags = openFlags(mode);
    if (flags < 0 || name.empty())
        return -1;
    const std::string path = resolveFileName(name);
    int descriptor = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return -1;
    struct stat st {};
    // The lock is taken before truncating, so a refused open leaves the file as it was.
    if (::fstat(descriptor, &st) != 0 || S_ISDIR(st.st_mode) || !lockFor(descriptor, sharing)
        || (mode == OpenMode::WriteTruncate && S_ISREG(st.st_mode) && ::ftruncate(descriptor, 0) != 0)) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

void closeFile(int descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
}

bool removeFile(std::string_view name)
{
    // Only files are deleted: a name that leads to a device or a folder is left alone.
    const std::string path = resolveFileName(name);
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0;
}

bool copyFile(const std::string& source, const std::string& target)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(source, error))
        return false;
    return std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, error) && !error;
}

}
