// The far end of a configuration line's TCP link (types 5 and 6), as the
// front ends need it: to name it in messages and to tell two lines to one
// place apart.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelvo::frontend {

// The text's parts between the separators, empty ones included.
std::vector<std::string> splitAt(const std::string& text, char separator);

struct TcpLink {
    std::string host;
    int port = 0;
    int seconds = 0;         // the socket time-out
    bool converter = false;  // type 5: a line converter, whose frames the driver speaks
};

// From the port setting (field 2, COMn:SPEED:MUXt:CHANNEL, "MUX" in any case)
// and the fields after the time-out (the identifier, then
// TEXT:NUMBER:HOST:PORT:IDENTIFIER:TIMEOUT:REPEATS); none for another type or
// an incomplete address.
std::optional<TcpLink> tcpLinkOf(const std::string& portSetting, const std::string& tail);

}
