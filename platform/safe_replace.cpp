#include "platform/safe_replace.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_access.h"
#include "platform/descriptor.h"

namespace kelvo::platform {

namespace {

// Links are followed as the kernel would, at most this many.
constexpr int kMostLinks = 40;
// Names for the temporary file are tried until one is free, at most this many.
constexpr int kMostTemporaryNames = 100;

std::string folderOf(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

// The file a write to path would reach: its links followed, except one that
// another user planted in a shared folder.
int followLinks(std::string& path)
{
    for (int links = 0; links < kMostLinks; ++links) {
        if (isForeignLink(path))
            return ELOOP;
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error))
            return 0;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            return error.value();
        path = target.is_absolute() ? target.string() : (std::filesystem::path(folderOf(path)) / target).string();
    }
    return ELOOP;
}

// A new, empty file beside the target, made with O_EXCL so that nothing
// already at its name is ever opened.
int makeTemporary(const std::string& target, mode_t mode, std::string& name)
{
    std::random_device random;
    for (int tries = 0; tries < kMostTemporaryNames; ++tries) {
        name = target + ".tmp" + std::to_string(random() % 1000000);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int writeAll(int fd, std::span<const unsigned char> content, const Writer& write)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;  // a write that takes nothing and says no reason: the disk is full
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The permissions of the replaced file, set on the temporary one before it takes the target's place.
int setPermissions(int fd, FileAccess access, const struct stat* old)
{
    if (access == FileAccess::OwnerOnly)
        return ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 ? 0 : errno;
    if (old != nullptr)
        return ::fchmod(fd, old->st_mode & 07777) == 0 ? 0 : errno;
    return 0;  // created with 0666 less the umask, as any new file
}

// The rename is on the disk only once the folder is.
int syncFolder(const std::string& folder)
{
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return errno;
    // Some file systems cannot sync a folder; the rename is done all the same.
    return ::fsync(fd.get()) == 0 || errno == EINVAL ? 0 : errno;
}

int fill(int fd, std::span<const unsigned char> content, FileAccess access, const struct stat* old, const Writer& write)
{
    if (const int error = setPermissions(fd, access, old))
        return error;
    if (const int error = writeAll(fd, content, write))
        return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

}

ssize_t writeToDescriptor(int descriptor, const void* bytes, std::size_t size)
{
    return ::write(descriptor, bytes, size);
}

int replaceFile(const std::string& path, std::span<const unsigned char> content, FileAccess access, const Writer& write)
{
    std::string target = path;
    if (const int error = followLinks(target))
        return error;
    struct stat old {};
    const bool existed = ::lstat(target.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        return EISDIR;
    if (existed && !S_ISREG(old.st_mode))
        return EINVAL;
    std::string temporary;
    const int fd = makeTemporary(target, access == FileAccess::OwnerOnly ? 0600 : 0666, temporary);
    if (fd < 0)
        return errno;
    int error = fill(fd, content, access, existed ? &old : nullptr, write);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    return syncFolder(folderOf(target));
}

int replaceFile(const std::string& path, std::string_view text, FileAccess access)
{
    return replaceFile(path, std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()), access);
}

int copyFile(const std::string& source, const std::string& target)
{
    const FileContent read = readRegularFile(source, kLargestReportFile);
    if (read.error != 0)
        return read.error;
    return replaceFile(target, read.bytes, FileAccess::AsBefore);
}

}
