// The standard output of a shell command, whole.
#pragma once

#include <string>

namespace kelvo::test {

std::string commandOutput(const std::string& command);

}
