#include "simulator/pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kelvo::sim {

namespace {

[[noreturn]] void failWith(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

}

PseudoTerminal::PseudoTerminal(std::string linkPath) : linkPath_(std::move(linkPath))
{
    create();
}

PseudoTerminal::~PseudoTerminal()
{
    // Remove the link only while it still leads to our slave side.
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(linkPath_.c_str(), target.data(), target.size());
    if (length > 0 && target.substr(0, static_cast<std::size_t>(length)) == slaveName_) ::unlink(linkPath_.c_str());
}

void PseudoTerminal::renew()
{
    master_.reset();
    create();
}

void PseudoTerminal::create()
{
    Descriptor master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master.valid()) failWith("posix_openpt");
    if (::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0) failWith("unlocking the pseudo-terminal");
    const char* name = ::ptsname(master.get());
    if (!name) failWith("ptsname");
    slaveName_ = name;

    // Raw mode is set on the slave side; opening and closing it once also
    // makes the master report a hang-up while no client has it open.
    {
        Descriptor slave(::open(slaveName_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!slave.valid()) failWith("opening " + slaveName_);
        termios settings{};
        if (::tcgetattr(slave.get(), &settings) != 0) failWith("tcgetattr");
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B9600);
        ::cfsetospeed(&settings, B9600);
        if (::tcsetattr(slave.get(), TCSANOW, &settings) != 0) failWith("tcsetattr");
    }

    struct stat existing{};
    if (::lstat(linkPath_.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            errno = EEXIST;
            failWith(linkPath_ + " exists and is not a symbolic link");
        }
        ::unlink(linkPath_.c_str());
    }
    if (::symlink(slaveName_.c_str(), linkPath_.c_str()) != 0) failWith("linking " + linkPath_);
    master_ = std::move(master);
}

}
