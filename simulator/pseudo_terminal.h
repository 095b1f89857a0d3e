// A pseudo-terminal pair in raw mode whose slave side is reachable under a
// chosen path (a symbolic link), so that a serial port can be mapped to it.
#pragma once

#include "platform/descriptor.h"

#include <string>

namespace kelvo::sim {

using platform::Descriptor;

class PseudoTerminal {
public:
    // Creates the pair and the link; throws std::system_error.
    explicit PseudoTerminal(std::string linkPath);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // A new pair behind the same link: the old slave side is hung up.
    void renew();

    int master() const { return master_.get(); }
    const std::string& slaveName() const { return slaveName_; }
    const std::string& linkPath() const { return linkPath_; }

private:
    void create();

    std::string linkPath_;
    std::string slaveName_;
    Descriptor master_;
};

}
