#include "platform/private_file.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/unique_descriptor.h"

namespace kelvo::platform {

namespace {

bool makeFolders(const std::filesystem::path& folder)
{
    if (folder.empty())
        return true;
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return true;
    if (!makeFolders(folder.parent_path()))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const std::vector<unsigned char>& content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}

FileContent readRegularFile(const std::string& path, std::size_t limit)
{
    const UniqueDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid())
        return {errno == ENOENT ? FileRefusal::Missing : errno == ELOOP ? FileRefusal::NotRegular : FileRefusal::Unreadable, {}};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return {FileRefusal::Unreadable, {}};
    if (!S_ISREG(st.st_mode))
        return {FileRefusal::NotRegular, {}};
    if (static_cast<std::uintmax_t>(st.st_size) > limit)
        return {FileRefusal::TooLarge, {}};
    FileContent content;
    content.bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < content.bytes.size()) {
        const ssize_t n = ::read(fd.get(), content.bytes.data() + done, content.bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {FileRefusal::Unreadable, {}};
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    // A file cut while it was read is taken as it now ends; one that grew
    // is read no further than the size it had.
    content.bytes.resize(done);
    return content;
}

bool isPrivateFolder(const std::string& folder)
{
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

RemovedEntry removeEntry(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? RemovedEntry::Nothing : RemovedEntry::Failed;
    if (S_ISDIR(st.st_mode))
        return RemovedEntry::Folder;
    if (::unlink(path.c_str()) != 0)
        return RemovedEntry::Failed;
    if (S_ISREG(st.st_mode))
        return RemovedEntry::RegularFile;
    if (S_ISLNK(st.st_mode))
        return RemovedEntry::SymbolicLink;
    if (S_ISFIFO(st.st_mode))
        return RemovedEntry::Fifo;
    if (S_ISSOCK(st.st_mode))
        return RemovedEntry::Socket;
    return RemovedEntry::Device;
}

bool replacePrivateFile(const std::string& path, const std::vector<unsigned char>& content)
{
    if (!makeFolders(std::filesystem::path(path).parent_path()))
        return false;
    std::string temporary = path + ".XXXXXX";
    const UniqueDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid())
        return false;
    // mkostemp already gives 0600; fchmod keeps it so whatever the umask did.
    const bool written = ::fchmod(fd.get(), S_IRUSR | S_IWUSR) == 0 && writeAll(fd.get(), content)
        && ::fsync(fd.get()) == 0;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}
