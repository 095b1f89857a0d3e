#include "simulator/receive_pacing.h"

#include "simulator/line_writer.h"

#include <algorithm>
#include <thread>

namespace kelvo::sim {

void ReceivePacing::awaitByte(std::chrono::steady_clock::time_point readAt)
{
    if (baud_ == 0) return;
    complete_ = std::max(readAt, complete_) + lineTime(1, baud_);
    std::this_thread::sleep_until(complete_);
}

}
