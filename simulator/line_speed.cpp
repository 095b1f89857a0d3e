#include "simulator/line_speed.h"

// The kernel's termios2 carries the speed in bit/s; its header clashes with
// <termios.h>, so it lives apart.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace kelvo::sim {

std::uint32_t clientLineSpeed(int master)
{
    termios2 line {};
    if (::ioctl(master, TCGETS2, &line) != 0)
        return 0;
    return line.c_ospeed;
}

}
