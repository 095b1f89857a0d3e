#include "frontend/cli/child_run.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/descriptor.h"

namespace kelvo::frontend::cli {

namespace {

using platform::Descriptor;

// One child at work: the read end of its notes and the part of a line not yet ended.
struct Running {
    std::size_t work = 0;
    Descriptor notes;
    std::string pending;
};

enum class Read { Some, NoneYet, WriterGone };

// Hands on the complete lines read now.
Read readNotes(Running& running, ChildEnd& end, const ChildEvents& events)
{
    char buffer[512];
    const ssize_t n = ::read(running.notes.get(), buffer, sizeof(buffer));
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return Read::NoneYet;
    if (n <= 0)
        return Read::WriterGone;
    running.pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t lineEnd; (lineEnd = running.pending.find('\n')) != std::string::npos;) {
        end.notes.push_back(running.pending.substr(0, lineEnd));
        running.pending.erase(0, lineEnd + 1);
        events.seen(running.work, end.notes.back());
    }
    return Read::Some;
}

// After the child's end: what it wrote and nobody read yet.
void drainNotes(Running& running, ChildEnd& end, const ChildEvents& events)
{
    while (running.notes.get() >= 0 && readNotes(running, end, events) == Read::Some) {
    }
}

void setEnd(ChildEnd& end, int status)
{
    // A child killed because the user interrupted the run is part of that
    // interrupt; any other signal is the child's own failure.
    if (end.signal == 0 && WIFSIGNALED(status))
        end.killedBy = WTERMSIG(status);
    end.status = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
}

// The signals waited for, blocked and read from a descriptor for the object's lifetime.
class WaitedSignals {
public:
    WaitedSignals()
    {
        // A parent that ignored SIGCHLD would have the children reaped unseen and no
        // signal sent: their ends are what we wait for.
        struct sigaction childEnds {};
        childEnds.sa_handler = SIG_DFL;
        sigemptyset(&childEnds.sa_mask);
        ::sigaction(SIGCHLD, &childEnds, &inherited_);
        sigset_t waited;
        sigemptyset(&waited);
        sigaddset(&waited, SIGINT);
        sigaddset(&waited, SIGTERM);
        sigaddset(&waited, SIGCHLD);
        ::sigprocmask(SIG_BLOCK, &waited, &before_);
        descriptor_ = Descriptor(::signalfd(-1, &waited, SFD_CLOEXEC | SFD_NONBLOCK));
    }
    ~WaitedSignals()
    {
        descriptor_.reset();
        ::sigprocmask(SIG_SETMASK, &before_, nullptr);
        ::sigaction(SIGCHLD, &inherited_, nullptr);
    }
    WaitedSignals(const WaitedSignals&) = delete;
    WaitedSignals& operator=(const WaitedSignals&) = delete;

    int descriptor() const { return descriptor_.get(); }
    const sigset_t& before() const { return before_; }

    // The next signal that came, 0 when none is waiting.
    int next() const
    {
        signalfd_siginfo info {};
        if (::read(descriptor_.get(), &info, sizeof(info)) != static_cast<ssize_t>(sizeof(info)))
            return 0;
        return static_cast<int>(info.ssi_signo);
    }

private:
    struct sigaction inherited_ {};
    sigset_t before_ {};
    Descriptor descriptor_;
};

[[noreturn]] void beChild(const Work& work, int notes, const WaitedSignals& signals)
{
    // A terminal's Ctrl-C reaches the whole process group: the parent decides.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    ::close(signals.descriptor());
    ::sigprocmask(SIG_SETMASK, &signals.before(), nullptr);
    const int status = work([notes](const std::string& note) {
        const std::string line = note + "\n";
        [[maybe_unused]] const ssize_t written = ::write(notes, line.data(), line.size());
    });
    std::fflush(nullptr);
    ::_exit(status);
}

}

std::vector<ChildEnd> runInChildren(const std::vector<LaneWork>& works, const ChildEvents& events)
{
    std::vector<ChildEnd> ends(works.size());
    std::vector<bool> queued(works.size(), true);
    std::map<pid_t, Running> running;
    const WaitedSignals signals;

    // Starts the next work of the lane; a fork that fails runs the work here.
    const auto startNext = [&](std::size_t lane) {
        for (std::size_t i = 0; i < works.size(); ++i) {
            if (!queued[i] || works[i].lane != lane)
                continue;
            queued[i] = false;
            ends[i].started = true;
            events.started(i);
            int pipeEnds[2];
            const bool piped = ::pipe2(pipeEnds, O_CLOEXEC) == 0;
            std::fflush(nullptr);
            const pid_t child = piped ? ::fork() : -1;
            if (child == 0)
                beChild(works[i].work, pipeEnds[1], signals);
            if (piped)
                ::close(pipeEnds[1]);
            if (child > 0) {
                Running& started = running[child];
                started.work = i;
                started.notes = Descriptor(pipeEnds[0]);
                ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
                return;
            }
            if (piped)
                ::close(pipeEnds[0]);
            ends[i].status = works[i].work([&](const std::string& note) {
                ends[i].notes.push_back(note);
                events.seen(i, note);
            });
            events.ended(i, ends[i]);
        }
    };
    std::vector<std::size_t> lanes;
    for (const LaneWork& work : works)
        if (std::find(lanes.begin(), lanes.end(), work.lane) == lanes.end())
            lanes.push_back(work.lane);
    for (const std::size_t lane : lanes)
        startNext(lane);

    int interrupt = 0;
    while (!running.empty() && interrupt == 0) {
        std::vector<pollfd> watched {{signals.descriptor(), POLLIN, 0}};
        for (const auto& [pid, child] : running)
            if (child.notes.get() >= 0)
                watched.push_back({child.notes.get(), POLLIN, 0});
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        for (auto& [pid, child] : running)
            if (child.notes.get() >= 0 && readNotes(child, ends[child.work], events) == Read::WriterGone)
                child.notes.reset();
        for (int signal; (signal = signals.next()) != 0;)
            if (signal != SIGCHLD)
                interrupt = signal;
        for (auto it = running.begin(); it != running.end() && interrupt == 0;) {
            int status = 0;
            if (::waitpid(it->first, &status, WNOHANG) != it->first) {
                ++it;
                continue;
            }
            const std::size_t work = it->second.work;
            drainNotes(it->second, ends[work], events);
            setEnd(ends[work], status);
            it = running.erase(it);
            events.ended(work, ends[work]);
            startNext(works[work].lane);
        }
    }
    if (interrupt == 0)
        return ends;
    for (const auto& [pid, child] : running)
        ::kill(pid, SIGKILL);
    for (auto& [pid, child] : running) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ChildEnd& end = ends[child.work];
        end.signal = interrupt;
        drainNotes(child, end, events);
        setEnd(end, status);
    }
    for (std::size_t i = 0; i < works.size(); ++i)
        if (queued[i])
            ends[i].signal = interrupt;
    return ends;
}

ChildEnd runInChild(const Work& work)
{
    return runInChildren({LaneWork {0, work}}, ChildEvents {}).front();
}

}
