#include "platform/single_instance.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using kelvo::platform::SingleInstance;

TEST(SingleInstance, OneHolderAtATimeAcrossProcesses)
{
    kelvo::test::TempDir dir;
    kelvo::test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
    EXPECT_EQ(kelvo::platform::instanceLockPath("A"), dir.path() + "/A.lock");

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const SingleInstance held("A");
        const char answer = held.acquired() ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    EXPECT_FALSE(SingleInstance("A").acquired()) << "held by the other process";
    EXPECT_TRUE(SingleInstance("B").acquired()) << "another name is another lock";

    ::kill(holder, SIGKILL);
    int status = 0;
    ::waitpid(holder, &status, 0);
    const SingleInstance after("A");
    EXPECT_TRUE(after.acquired()) << "the kernel dropped the killed holder's lock";
    EXPECT_FALSE(SingleInstance("A").acquired()) << "and a second holder in this process is refused too";
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(SingleInstance, ALaterCopyAsksTheHolderToShowItselfWithoutWaiting)
{
    kelvo::test::TempDir dir;
    kelvo::test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
    EXPECT_FALSE(SingleInstance::askHolderToShow("A")) << "nobody holds it";
    {
        const SingleInstance held("A");
        ASSERT_TRUE(held.acquired());
        ASSERT_GE(held.wakeDescriptor(), 0);
        EXPECT_FALSE(held.takeWakeRequest()) << "nothing asked yet";
        EXPECT_FALSE(SingleInstance("A").acquired());
        EXPECT_TRUE(SingleInstance::askHolderToShow("A"));
        EXPECT_TRUE(SingleInstance::askHolderToShow("A"));
        EXPECT_TRUE(held.takeWakeRequest());
        EXPECT_TRUE(held.takeWakeRequest());
        EXPECT_FALSE(held.takeWakeRequest()) << "each request is taken once";
    }
    EXPECT_FALSE(SingleInstance::askHolderToShow("A")) << "the socket goes with its holder";
    const SingleInstance next("A");
    EXPECT_TRUE(next.acquired());
    EXPECT_TRUE(SingleInstance::askHolderToShow("A")) << "a new holder listens again";
}
