// How the front end runs one driver command. The command-line front end runs
// it where it is called; the windows run it off their own thread, so that
// they keep painting while the command blocks.
#pragma once

#include <cstdint>
#include <functional>

namespace kelvo::frontend {

using DriverCommand = std::function<std::uint8_t()>;
using CommandRunner = std::function<std::uint8_t(const DriverCommand&)>;

inline std::uint8_t runHere(const DriverCommand& command)
{
    return command();
}

}
