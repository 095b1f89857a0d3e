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

// One run of works in children: their ends, what is still queued and the
// children at work.
struct Run {
    const std::vector<LaneWork>& works;
    const ChildEvents& events;
    const WaitedSignals& signals;
    std::vector<ChildEnd> ends;
    std::vector<bool> queued;
    std::map<pid_t, Running> running;

    Run(const std::vector<LaneWork>& w, const ChildEvents& e, const WaitedSignals& s)
        : works(w), events(e), signals(s), ends(w.size()), queued(w.size(), true)
    {
    }
};

// Starts work i in a child reading its notes through a pipe; false when no
// child could be started.
bool startChild(Run& run, std::size_t i)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0)
        beChild(run.works[i].work, pipeEnds[1], run.signals);
    ::close(pipeEnds[1]);
    if (child < 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    Running& started = run.running[child];
    started.work = i;
    started.notes = Descriptor(pipeEnds[0]);
    ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    return true;
}

// Runs work i in this process, when no child could take it.
void runHere(Run& run, std::size_t i)
{
    run.ends[i].status = run.works[i].work([&](const std::string& note) {
        run.ends[i].notes.push_back(note);
        run.events.seen(i, note);
    });
    run.events.ended(i, run.ends[i]);
}

// Starts the next work of the lane; a fork that fails runs the work here.
void startNext(Run& run, std::size_t lane)
{
    for (std::size_t i = 0; i < run.works.size(); ++i) {
        if (!run.queued[i] || run.works[i].lane != lane)
            continue;
        run.queued[i] = false;
        run.ends[i].started = true;
        run.events.started(i);
        if (startChild(run, i))
            return;
        runHere(run, i);
    }
}

std::vector<std::size_t> lanesOf(const std::vector<LaneWork>& works)
{
    std::vector<std::size_t> lanes;
    for (const LaneWork& work : works)
        if (std::find(lanes.begin(), lanes.end(), work.lane) == lanes.end())
            lanes.push_back(work.lane);
    return lanes;
}

// Reaps the children that have ended and starts the next work of their lanes.
void reapEnded(Run& run)
{
    for (auto it = run.running.begin(); it != run.running.end();) {
        int status = 0;
        if (::waitpid(it->first, &status, WNOHANG) != it->first) {
            ++it;
            continue;
        }
        const std::size_t work = it->second.work;
        drainNotes(it->second, run.ends[work], run.events);
        setEnd(run.ends[work], status);
        it = run.running.erase(it);
        run.events.ended(work, run.ends[work]);
        startNext(run, run.works[work].lane);
    }
}

// Hands on the children's notes and ends until all have ended or an
// interrupt came; the interrupting signal, or 0.
int watchChildren(Run& run)
{
    int interrupt = 0;
    while (!run.running.empty() && interrupt == 0) {
        std::vector<pollfd> watched {{run.signals.descriptor(), POLLIN, 0}};
        for (const auto& [pid, child] : run.running)
            if (child.notes.get() >= 0)
                watched.push_back({child.notes.get(), POLLIN, 0});
        if (::poll(watched.data(), watched.size(), -1) < 0)
            continue;
        for (auto& [pid, child] : run.running)
            if (child.notes.get() >= 0 && readNotes(child, run.ends[child.work], run.events) == Read::WriterGone)
                child.notes.reset();
        for (int signal; (signal = run.signals.next()) != 0;)
            if (signal != SIGCHLD)
                interrupt = signal;
        if (interrupt == 0)
            reapEnded(run);
    }
    return interrupt;
}

// Kills the children still at work and marks them, and the works never
// started, as ended by the interrupt.
void endInterrupted(Run& run, int interrupt)
{
    for (const auto& [pid, child] : run.running)
        ::kill(pid, SIGKILL);
    for (auto& [pid, child] : run.running) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ChildEnd& end = run.ends[child.work];
        end.signal = interrupt;
        drainNotes(child, end, run.events);
        setEnd(end, status);
    }
    for (std::size_t i = 0; i < run.works.size(); ++i)
        if (run.queued[i])
            run.ends[i].signal = interrupt;
}

}

std::vector<ChildEnd> runInChildren(const std::vector<LaneWork>& works, const ChildEvents& events)
{
    const WaitedSignals signals;
    Run run(works, events, signals);
    for (const std::size_t lane : lanesOf(works))
        startNext(run, lane);
    if (const int interrupt = watchChildren(run); interrupt != 0)
        endInterrupted(run, interrupt);
    return run.ends;
}

ChildEnd runInChild(const Work& work)
{
    return runInChildren({LaneWork {0, work}}, ChildEvents {}).front();
}

}
