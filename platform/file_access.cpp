#include "platform/file_access.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <optional>
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
    case Sharing::OthersMayRead:
    case Sharing::OthersMayReadWrite: return ::flock(descriptor, LOCK_SH | LOCK_NB) == 0;
    }
    return false;
}

bool writesOnly(OpenMode mode)
{
    return mode == OpenMode::WriteTruncate || mode == OpenMode::Append;
}

// What the driver reads must be a regular file: a FIFO, a device or a folder
// could block it or feed it without end. A file it only writes may also be a
// character device, such as /dev/null given on purpose.
bool acceptable(const struct stat& st, OpenMode mode)
{
    return S_ISREG(st.st_mode) || (writesOnly(mode) && S_ISCHR(st.st_mode));
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// The folder of path, when it is sticky and world-writable as /tmp is.
std::optional<struct stat> sharedStickyFolder(const std::string& path)
{
    struct stat folder {};
    if (::stat(folderOf(path).c_str(), &folder) != 0 || (folder.st_mode & S_ISVTX) == 0 || (folder.st_mode & S_IWOTH) == 0)
        return std::nullopt;
    return folder;
}

// Opens that may create or truncate a file follow the kernel's
// protected-symlinks rule, applied whatever the kernel's setting: in a sticky
// world-writable folder a link is followed only when it belongs
// to this user or to the folder's owner. Otherwise the name must not turn
// into a link between this check and the open, hence O_NOFOLLOW.
std::optional<int> linkFlags(const std::string& path, OpenMode mode)
{
    if (mode == OpenMode::Read || !sharedStickyFolder(path))
        return 0;
    if (isForeignLink(path))
        return std::nullopt;
    struct stat entry {};
    return ::lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode) ? 0 : O_NOFOLLOW;
}

// Why a file of this kind is refused.
int refusalOf(const struct stat& st)
{
    return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
}

}

bool isForeignLink(const std::string& path)
{
    const auto folder = sharedStickyFolder(path);
    struct stat entry {};
    return folder && ::lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode) && entry.st_uid != ::geteuid()
        && entry.st_uid != folder->st_uid;
}

std::string resolveFileName(std::string_view name)
{
    std::string path = withSlashes(name);
    if (path.empty() || exists(path))
        return path;
    const auto slash = path.rfind('/');
    const std::string folder = folderOf(path);
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
    const auto followFlags = linkFlags(path, mode);
    if (!followFlags) {
        errno = ELOOP;
        return -1;
    }
    // Without O_NONBLOCK the open of a FIFO would wait for its other end.
    int descriptor = ::open(path.c_str(), flags | *followFlags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return -1;
    struct stat st {};
    const bool statted = ::fstat(descriptor, &st) == 0;
    if (statted && !acceptable(st, mode)) {
        ::close(descriptor);
        errno = refusalOf(st);
        return -1;
    }
    // The lock is taken before truncating, so a refused open leaves the file as it was.
    if (!statted || !lockFor(descriptor, sharing)
        || (mode == OpenMode::WriteTruncate && S_ISREG(st.st_mode) && ::ftruncate(descriptor, 0) != 0)
        || ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int reason = errno;
        ::close(descriptor);
        errno = reason;
        return -1;
    }
    return descriptor;
}

void closeFile(int descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
}

std::FILE* appendStream(std::string_view name)
{
    const int descriptor = openFile(name, OpenMode::Append, Sharing::OthersMayReadWrite);
    std::FILE* stream = descriptor < 0 ? nullptr : ::fdopen(descriptor, "a");
    if (stream == nullptr)
        closeFile(descriptor);
    return stream;
}

bool removeFile(std::string_view name)
{
    // Only files are deleted: a name that leads to a device or a folder is left alone.
    const std::string path = resolveFileName(name);
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0;
}

namespace {

// Where a name leads: its links followed, even one that leads to a file not
// yet there, which an open for writing would create.
std::string destination(std::string_view name)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path path = resolveFileName(name);
    for (int links = 0; links < 40 && fs::is_symlink(path, error); ++links) {
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
        path = resolveFileName(path.string());
    }
    const fs::path whole = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path.string() : whole.string();
}

}

bool sameFile(std::string_view a, std::string_view b)
{
    const std::string first = destination(a);
    const std::string second = destination(b);
    struct stat one {};
    struct stat two {};
    if (::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &two) == 0)
        return one.st_dev == two.st_dev && one.st_ino == two.st_ino;
    // A file not there yet is matched as the driver's opens match names.
    return ::strcasecmp(first.c_str(), second.c_str()) == 0;
}

FileContent readRegularFile(const std::string& path, std::size_t limit, AtALink link)
{
    FileContent content;
    // Without O_NONBLOCK the open of a FIFO would wait for its other end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (link == AtALink::Refuse ? O_NOFOLLOW : 0));
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        content.error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        content.error = refusalOf(st);
    } else if (static_cast<std::uint64_t>(st.st_size) > limit) {
        content.error = EFBIG;
    } else {
        content.bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        // A file that grows while it is read is read up to the size it had, never past the limit.
        while (done < content.bytes.size()) {
            const ssize_t n = ::read(fd, content.bytes.data() + done, content.bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                content.error = errno;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        content.bytes.resize(done);
    }
    if (fd >= 0)
        ::close(fd);
    if (content.error != 0)
        content.bytes.clear();
    return content;
}

}
