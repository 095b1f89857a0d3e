#include "driver/files/local_time.h"

#include <cstdio>
#include <ctime>

namespace kelvo::drv {

LocalStamp localStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char date[32];
    char time[16];
    std::snprintf(date, sizeof(date), "%d.%02d.%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    std::snprintf(time, sizeof(time), "%02d:%02d", local.tm_hour, local.tm_min);
    return {date, time};
}

}
