// The converter frame receiver over any line bytes, and frames built from
// any body read back whole: the receiver never reads past what it took, and
// what buildFrame sends, it gets back byte for byte.
#include <cstdlib>

#include "driver/transport/converter_frame.h"

using namespace kelvo::drv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    FrameReceiver receiver;
    for (std::uint8_t byte : bytes)
        if (receiver.take(byte)) {
            if (const auto content = receiver.content(); content && content->empty())
                std::abort();
            break;
        }
    unpack(bytes);

    // Every frame carries at least its control or status byte after N.
    const auto frame = size > 0 ? buildFrame(bytes) : std::nullopt;
    if (!frame)
        return 0;
    FrameReceiver back;
    bool whole = false;
    for (std::size_t k = 0; k < frame->size() && !whole; ++k)
        whole = back.take((*frame)[k]);
    const auto content = back.content();
    if (!whole || !content || content->size() < size + 3)
        std::abort();
    // The content is N, the body and the two CRC bytes.
    for (std::size_t k = 0; k < size; ++k)
        if ((*content)[1 + k] != data[k])
            std::abort();
    return 0;
}
