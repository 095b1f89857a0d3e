#include "tests/support/small_disk.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace kelvo::test {

SmallDisk::SmallDisk(const std::string& folder) : folder_(folder)
{
    std::filesystem::create_directory(folder);
    mounted_ = ::geteuid() == 0
        && std::system(("mount -t tmpfs -o size=256k tmpfs '" + folder + "' 2>/dev/null").c_str()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        std::system(("umount -l '" + folder_ + "'").c_str());
}

void SmallDisk::fill() const
{
    const int fd = ::open((folder_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const std::string block(512, 'f');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    if (fd >= 0)
        ::close(fd);
}

}
