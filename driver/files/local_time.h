// The machine's local date and time as the driver writes them into header
// and trace lines: "2010.11.09" and "08:05".
#pragma once

#include <string>

namespace kelvo::drv {

struct LocalStamp {
    std::string date;
    std::string time;
};

LocalStamp localStamp();

}
