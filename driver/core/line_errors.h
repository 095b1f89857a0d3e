// Line errors the port layer saw; they turn transmit and receive time-outs
// into more telling codes.
#pragma once

namespace kelvo::drv {

struct LineErrorFlags {
    bool overrun = false;
    bool parity = false;
    bool framing = false;
};

}
