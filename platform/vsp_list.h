// Virtual serial ports that forward to a network serial server.
//
// The list file is $KELVO_VSP_FILE, else $XDG_CONFIG_HOME/kelvor/vsp.conf,
// else ~/.config/kelvor/vsp.conf. Each line names a port and, optionally,
// the IPv4 address it forwards to, separated by blanks:
//
//     COM3 192.168.1.20
//     COM4
//
// Blank lines and lines starting with '#' are ignored, as is anything after
// the address.
#pragma once

#include <string>
#include <string_view>

namespace kelvo::platform {

std::string vspListFile();

// The address the port forwards to in dotted form. Port names in the file are
// upper-cased and must then equal portName exactly; of several matching lines
// the last one counts. A port listed without a readable address gives
// "0.0.0.0"; a port not listed, or no list file, gives empty text.
std::string forwardingAddress(std::string_view portName);

}
