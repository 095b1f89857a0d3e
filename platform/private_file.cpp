#include "platform/private_file.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/safe_replace.h"
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

}

std::optional<std::vector<unsigned char>> readWholeFile(const std::string& path)
{
    const UniqueDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return std::nullopt;
    std::vector<unsigned char> content;
    unsigned char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return content;
        content.insert(content.end(), block, block + n);
    }
}

bool replacePrivateFile(const std::string& path, const std::vector<unsigned char>& content)
{
    return makeFolders(std::filesystem::path(path).parent_path()) && replaceFile(path, content, FileAccess::OwnerOnly) == 0;
}

}
