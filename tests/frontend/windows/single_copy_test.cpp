// The real program started twice: the second copy ends at once and silently,
// the first goes on; a copy killed outright does not block the next start.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/single_instance.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

class SingleCopyTest : public ::testing::Test {
protected:
    pid_t launch(const std::string& output)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::execl(KELVOR_PATH, KELVOR_PATH, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }

    // True once some process holds the program's lock, as the kernel's list
    // of locks shows it: probing by taking the lock could turn a starting
    // copy away.
    bool lockHeld()
    {
        const std::string path = kelvo::platform::instanceLockPath("KELVOR_1_1UniqueString");
        for (auto waited = 0ms; waited < 20000ms; waited += 20ms) {
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0) {
                std::ifstream locks("/proc/locks");
                const std::string inode = ":" + std::to_string(st.st_ino) + " ";
                for (std::string line; std::getline(locks, line);)
                    if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos)
                        return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    static bool running(pid_t pid)
    {
        int status = 0;
        return ::waitpid(pid, &status, WNOHANG) == 0;
    }

    static void stop(pid_t pid)
    {
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }

    kelvo::test::TempDir dir_;
    kelvo::test::ScopedEnv runtime_ {"XDG_RUNTIME_DIR", dir_.path()};
    kelvo::test::ScopedEnv temp_ {"TEMP", dir_.path()};
    kelvo::test::ScopedEnv platform_ {"QT_QPA_PLATFORM", "offscreen"};
};

}

TEST_F(SingleCopyTest, TheSecondCopyEndsAtOnceAndSilently)
{
    const pid_t first = launch(dir_.file("first.out"));
    ASSERT_TRUE(lockHeld());

    const pid_t second = launch(dir_.file("second.out"));
    int status = -1;
    ASSERT_EQ(::waitpid(second, &status, 0), second);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(kelvo::test::readFile(dir_.file("second.out")), "");
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(running(first)) << "the first copy is unaffected";

    stop(first);
    EXPECT_TRUE(kelvo::platform::SingleInstance("KELVOR_1_1UniqueString").acquired())
        << "a copy killed outright leaves no lock behind";
    const pid_t next = launch(dir_.file("next.out"));
    EXPECT_TRUE(lockHeld());
    EXPECT_TRUE(running(next)) << "the next start runs";
    stop(next);
}
