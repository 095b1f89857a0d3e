#include "tests/frontend/windows/private_cups.h"

#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <QDeadlineTimer>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/command_output.h"

namespace kelvo::test {

namespace {

constexpr char kPdfDriver[] = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

}

// Under /tmp itself: the folder the tests name as temporary is closed to lp.
PrivateCups::PrivateCups() : dir_("/tmp"), server_("CUPS_SERVER", dir_.file("sock"))
{
    namespace fs = std::filesystem;
    for (const char* sub : {"root", "spool", "cache", "state", "log", "out"})
        fs::create_directories(dir_.file(sub));
    // The filters run as lp: they read the queue's driver and the spooled
    // document below this folder and write the output file.
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
                                     | fs::perms::others_exec);
    fs::permissions(dir_.file("out"), fs::perms::all);
    writeFile(dir_.file("root/cupsd.conf"), "Listen " + dir_.file("sock") +
                                                "\nLogLevel debug\nMaxLogSize 0\n<Location />\nOrder allow,deny\nAllow all\n</Location>\n");
    writeFile(dir_.file("root/cups-files.conf"),
              "ServerRoot " + dir_.file("root") + "\nRequestRoot " + dir_.file("spool") + "\nCacheDir " + dir_.file("cache") +
                  "\nStateDir " + dir_.file("state") + "\nTempDir " + dir_.file("spool") + "\nErrorLog " + dir_.file("log/error_log") +
                  "\nAccessLog " + dir_.file("log/access_log") + "\nPageLog " + dir_.file("log/page_log") +
                  "\nFileDevice Yes\nSystemGroup root\n");
    const std::string daemonOut = dir_.file("log/cupsd.out");
    pid_ = ::fork();
    if (pid_ == 0) {
        const int out = ::open(daemonOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execlp("cupsd", "cupsd", "-f", "-c", dir_.file("root/cupsd.conf").c_str(), "-s", dir_.file("root/cups-files.conf").c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Until the daemon answers on its socket, has ended, or a minute has passed.
    QDeadlineTimer deadline(60000);
    while (pid_ > 0 && !deadline.hasExpired()) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        if (commandOutput("lpstat -r 2>/dev/null").find("is running") != std::string::npos) {
            running_ = true;
            return;
        }
        QTest::qWait(50);
    }
}

PrivateCups::~PrivateCups()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool PrivateCups::addQueue(const std::string& name)
{
    return std::system(("lpadmin -p " + name + " -E -v 'file:" + output() + "' -P " + kPdfDriver +
                        " >/dev/null 2>&1 && lpadmin -d " + name)
                           .c_str())
        == 0;
}

bool PrivateCups::waitForJobs() const
{
    // A job whose filters failed stays queued with the printer saying so.
    QDeadlineTimer deadline(120000);
    while (!commandOutput("lpstat -o 2>/dev/null").empty()
           && commandOutput("lpstat -p 2>/dev/null").find("Filter failed") == std::string::npos) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

std::string PrivateCups::pageLog() const
{
    return fileExists(dir_.file("log/page_log")) ? readFile(dir_.file("log/page_log")) : std::string();
}

std::string PrivateCups::errorLog() const
{
    for (const char* log : {"log/error_log", "log/cupsd.out"})
        if (fileExists(dir_.file(log)))
            return readFile(dir_.file(log));
    return {};
}

}
