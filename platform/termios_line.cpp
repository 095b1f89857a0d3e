#include "platform/termios_line.h"

#include <array>
#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace kelvo::platform {

namespace {

struct StandardSpeed {
    std::uint32_t bitsPerSecond;
    tcflag_t code;
};

constexpr std::array<StandardSpeed, 18> kStandardSpeeds {{
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200},
    {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
}};

std::uint32_t distance(std::uint32_t a, std::uint32_t b)
{
    return a > b ? a - b : b - a;
}

const StandardSpeed& nearestStandardSpeed(std::uint32_t speed)
{
    const StandardSpeed* nearest = &kStandardSpeeds.front();
    for (const StandardSpeed& candidate : kStandardSpeeds)
        if (distance(candidate.bitsPerSecond, speed) < distance(nearest->bitsPerSecond, speed))
            nearest = &candidate;
    return *nearest;
}

// Both directions at one speed code (an input code of 0 follows the output).
void setSpeedCode(termios2& line, tcflag_t code, std::uint32_t bitsPerSecond)
{
    line.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    line.c_cflag |= code;
    line.c_ospeed = bitsPerSecond;
    line.c_ispeed = bitsPerSecond;
}

void makeRaw(termios2& line)
{
    line.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    line.c_oflag &= ~OPOST;
    line.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
}

int set(int descriptor, const termios2& line)
{
    return ::ioctl(descriptor, TCSETS2, &line) == 0 ? 0 : errno;
}

}

std::uint32_t parityControlFlags(Parity parity)
{
    switch (parity) {
    case Parity::None: return 0;
    case Parity::Odd: return PARENB | PARODD;
    case Parity::Even: return PARENB;
    case Parity::Mark: return PARENB | CMSPAR | PARODD;
    case Parity::Space: return PARENB | CMSPAR;
    }
    return 0;
}

int applyLineSettings(int descriptor, const LineSettings& settings)
{
    if (settings.speed == 0)
        return EINVAL;
    termios2 line {};
    if (::ioctl(descriptor, TCGETS2, &line) != 0)
        return errno;
    makeRaw(line);
    line.c_iflag |= INPCK | IGNPAR;
    line.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    line.c_cflag |= CS8 | CREAD | CLOCAL | parityControlFlags(settings.parity);
    if (settings.ctsFlow)
        line.c_cflag |= CRTSCTS;

    const StandardSpeed& nearest = nearestStandardSpeed(settings.speed);
    if (nearest.bitsPerSecond == settings.speed) {
        setSpeedCode(line, nearest.code, settings.speed);
        return set(descriptor, line);
    }
    setSpeedCode(line, BOTHER, settings.speed);
    if (set(descriptor, line) == 0) {
        // A device driver may round to what its clock divides to, or fall
        // back to another speed without an error; within 2 % the line works.
        termios2 taken {};
        const bool close = ::ioctl(descriptor, TCGETS2, &taken) == 0
            && std::uint64_t {distance(taken.c_ospeed, settings.speed)} * 50 <= settings.speed;
        if (close)
            return 0;
    }
    setSpeedCode(line, nearest.code, nearest.bitsPerSecond);
    return set(descriptor, line);
}

}
