// Why a connection failed, as the front ends add it below the driver's own
// message: the COM port, the device it leads to and what was found there.
#pragma once

#include <cstdint>
#include <string>

#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend {

// The line for a failed request over the record's link. A serial link's:
// after 62 (the port cannot be opened), and after 20 and 21 (time-outs) on
// the first request, where they mean that nothing answers. A TCP link's
// names the host and port and why no connection was made (after 62, 65 and
// 67), or, after 64 on the first request, what may be silent behind it.
// Empty for other results.
std::string diagnoseFailedRequest(const ParameterRecord& record, int resultCode, bool firstRequest);

// One line in Polish, for example "COM3 → /dev/ttyUSB0: brak uprawnień …".
std::string diagnoseConnection(std::int32_t port, std::int32_t speed, int resultCode);

// What keeps the driver from using the device at path, in Polish (missing,
// not a serial port, no permission, busy with its holder); empty when it can
// be opened and locked now. The device is closed again before this returns.
std::string deviceProblem(const std::string& path);

}
