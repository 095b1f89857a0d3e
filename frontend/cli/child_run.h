// Runs the driver's work in child processes, so that SIGINT and SIGTERM can
// end it at any moment without the driver's help: the parent waits, and on
// either signal kills every child (the kernel then closes its port and drops
// its file locks) and tidies up after it. A child tells the parent how far
// it came through notes, one line each.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kelvo::frontend::cli {

using Note = std::function<void(const std::string&)>;
using Work = std::function<int(const Note& note)>;

struct ChildEnd {
    int status = 0;        // the child's exit status when it ended by itself
    int signal = 0;        // the user's SIGINT or SIGTERM that ended the run
    int killedBy = 0;      // the signal the child died of when it was not the user's interrupt
    bool started = false;  // false for a work an interrupt came before
    std::vector<std::string> notes;
};

ChildEnd runInChild(const Work& work);

// Works of one lane run one after another, each in a child of its own; the
// lanes run side by side. seen hears every note as it comes, started each
// child as it starts.
struct LaneWork {
    std::size_t lane = 0;
    Work work;
};
struct ChildEvents {
    std::function<void(std::size_t work)> started = [](std::size_t) { };
    std::function<void(std::size_t work, const std::string& note)> seen = [](std::size_t, const std::string&) { };
    std::function<void(std::size_t work, const ChildEnd& end)> ended = [](std::size_t, const ChildEnd&) { };
};
std::vector<ChildEnd> runInChildren(const std::vector<LaneWork>& works, const ChildEvents& events);

}
