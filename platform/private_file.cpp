#include "platform/private_file.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/safe_replace.h"

namespace kelvo::platform {

bool makePrivateFolders(const std::filesystem::path& folder)
{
    if (folder.empty())
        return true;
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return true;
    if (!makePrivateFolders(folder.parent_path()))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
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
    return makePrivateFolders(std::filesystem::path(path).parent_path()) && replaceFile(path, content, FileAccess::OwnerOnly) == 0;
}

}
