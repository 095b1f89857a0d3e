// The port of a run kept open across its driver commands, so that the port
// layer's pauses at opening are paid once and not at every command; the
// driver purges the line before every request, so nothing one command left
// on the line reaches the next. Released when the holder goes, whatever way
// the run ends (a process killed meanwhile has its port closed by the kernel).
#pragma once

namespace kelvo::frontend {

class KeptOpenPort {
public:
    KeptOpenPort();
    ~KeptOpenPort();
    KeptOpenPort(const KeptOpenPort&) = delete;

    // Closes the port now, so that what looks at who holds it (the diagnosis
    // of a failed command) does not find this program; later commands open
    // it each for itself.
    void release();
    KeptOpenPort& operator=(const KeptOpenPort&) = delete;
};

}
