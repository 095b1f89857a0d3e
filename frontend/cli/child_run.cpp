#include "frontend/cli/child_run.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvo::frontend::cli {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) == 0) {
            read = ends[0];
            write = ends[1];
        }
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    void closeRead()
    {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void closeWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
};

std::vector<std::string> readNotes(int descriptor)
{
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(descriptor, buffer, sizeof(buffer))) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    std::vector<std::string> notes;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        notes.push_back(text.substr(start, end - start));
    return notes;
}

}

ChildEnd runInChild(const std::function<int(const Note& note)>& work)
{
    // A parent that ignored SIGCHLD would have the child reaped unseen and no
    // signal sent: its end is what we wait for.
    struct sigaction childEnds {};
    childEnds.sa_handler = SIG_DFL;
    sigemptyset(&childEnds.sa_mask);
    struct sigaction inherited {};
    ::sigaction(SIGCHLD, &childEnds, &inherited);

    sigset_t waited;
    sigemptyset(&waited);
    sigaddset(&waited, SIGINT);
    sigaddset(&waited, SIGTERM);
    sigaddset(&waited, SIGCHLD);
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &waited, &before);

    Pipe notes;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        // A terminal's Ctrl-C reaches the whole process group: the parent decides.
        std::signal(SIGINT, SIG_IGN);
        std::signal(SIGTERM, SIG_IGN);
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        notes.closeRead();
        const int descriptor = notes.write;
        const int status = work([descriptor](const std::string& note) {
            const std::string line = note + "\n";
            [[maybe_unused]] const ssize_t written = ::write(descriptor, line.data(), line.size());
        });
        std::fflush(nullptr);
        ::_exit(status);
    }
    notes.closeWrite();
    ChildEnd end;
    if (child < 0) {
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        ::sigaction(SIGCHLD, &inherited, nullptr);
        end.status = work([&end](const std::string& note) { end.notes.push_back(note); });
        return end;
    }
    int status = 0;
    for (;;) {
        siginfo_t info {};
        if (::sigwaitinfo(&waited, &info) < 0)
            continue;
        if (info.si_signo == SIGCHLD) {
            if (::waitpid(child, &status, WNOHANG) == child)
                break;
            continue;
        }
        end.signal = info.si_signo;
        ::kill(child, SIGKILL);
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        break;
    }
    if (end.signal == 0 && WIFSIGNALED(status))
        end.signal = WTERMSIG(status);
    end.status = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    end.notes = readNotes(notes.read);
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    ::sigaction(SIGCHLD, &inherited, nullptr);
    return end;
}

}
