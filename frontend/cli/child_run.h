// Runs the driver's work in a child process, so that SIGINT and SIGTERM can
// end it at any moment without the driver's help: the parent waits, and on
// either signal kills the child (the kernel then closes its port and drops
// its file locks) and tidies up after it. The child tells the parent how far
// it came through notes, one line each.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelvo::frontend::cli {

using Note = std::function<void(const std::string&)>;

struct ChildEnd {
    int status = 0;        // the child's exit status when it ended by itself
    int signal = 0;        // the signal that ended the run: SIGINT or SIGTERM to us, or the one the child died of
    std::vector<std::string> notes;
};

ChildEnd runInChild(const std::function<int(const Note& note)>& work);

}
