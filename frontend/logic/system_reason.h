// Why a file could not be used, in Polish, for the front ends' messages.
#pragma once

#include <string>

namespace kelvo::frontend {

// The reason for a system error number (errno), for example ENOENT gives
// "nie ma takiego pliku ani folderu".
std::string systemReason(int error);

}
