#include "frontend/logic/working_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/other_user.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using kelvo::frontend::chooseWorkingFolder;
using kelvo::frontend::enterWorkingFolder;
using kelvo::frontend::privateFolderIn;
using kelvo::test::ScopedEnv;

namespace {

class WorkingFolderTest : public ::testing::Test {
protected:
    ~WorkingFolderTest() override { std::filesystem::current_path(before_); }

    // Enters the working folder; the problem when it is refused, else empty.
    std::string enter()
    {
        std::string start;
        std::string problem;
        const auto entered = enterWorkingFolder(start, problem);
        EXPECT_EQ(start, before_.string());
        EXPECT_EQ(entered.has_value(), problem.empty());
        return problem;
    }

    kelvo::test::TempDir dir_;
    std::filesystem::path before_ = std::filesystem::current_path();
};

}

TEST_F(WorkingFolderTest, APrivateFolderInTempThenTmpThenTheStateFolder)
{
    ScopedEnv temp("TEMP", "/t1");
    ScopedEnv tmp("TMP", "/t2");
    ScopedEnv state("XDG_STATE_HOME", dir_.file("state"));
    ScopedEnv home("HOME", dir_.path());
    const std::string own = "/kelvor-" + std::to_string(::geteuid());
    EXPECT_EQ(chooseWorkingFolder(), "/t1" + own);
    ::setenv("TEMP", "", 1);
    EXPECT_EQ(chooseWorkingFolder(), "/t2" + own);
    ::unsetenv("TMP");
    EXPECT_EQ(chooseWorkingFolder(), dir_.file("state") + "/kelvor");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(chooseWorkingFolder(), dir_.path() + "/.local/state/kelvor");

    EXPECT_EQ(enter(), "") << "the state folder is created";
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir_.path() + "/.local/state/kelvor"));
}

TEST_F(WorkingFolderTest, ThePrivateFolderIsMadeForTheUserAloneAndKeptBetweenRuns)
{
    ScopedEnv temp("TEMP", dir_.file("temp"));
    const std::string folder = privateFolderIn(dir_.file("temp"));
    const mode_t previous = ::umask(0);
    const std::string problem = enter();
    ::umask(previous);
    ASSERT_EQ(problem, "");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(folder));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "whatever the umask";
    EXPECT_EQ(st.st_uid, ::geteuid());

    kelvo::test::writeFile("KONFIG.TXT", "$1\tCOM1:9600:MUX0:1\t3\tKELVO\r\n");
    std::filesystem::current_path(before_);
    EXPECT_EQ(enter(), "");
    EXPECT_TRUE(kelvo::test::fileExists("KONFIG.TXT")) << "the next run finds the same folder";
}

TEST_F(WorkingFolderTest, AFolderOthersCouldReachIsRefusedWithAReason)
{
    ScopedEnv temp("TEMP", dir_.path());
    const std::string folder = privateFolderIn(dir_.path());
    const std::string refused = "nie można użyć folderu roboczego " + folder + ": ";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(enter(), refused + "jest dostępny dla innych użytkowników (wymagane prawa 0700)");
    EXPECT_EQ(std::filesystem::current_path(), before_) << "a refused folder is not entered";
    ASSERT_EQ(::rmdir(folder.c_str()), 0);

    ASSERT_EQ(::mkdir(dir_.file("elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir_.file("elsewhere").c_str(), folder.c_str()), 0);
    EXPECT_EQ(enter(), refused + "nie jest folderem (może być dowiązaniem)");
}

TEST_F(WorkingFolderTest, AFolderAnotherUserMadeIsRefused)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "needs root, to make the folder as the user 'nobody'";
    const std::string shared = kelvo::test::sharedFolderIn(dir_.path(), "tmp");
    ScopedEnv temp("TEMP", shared);
    const std::string folder = privateFolderIn(shared);
    ASSERT_TRUE(kelvo::test::runAsNobody("mkdir -m 700 " + folder));
    EXPECT_EQ(enter(), "nie można użyć folderu roboczego " + folder + ": należy do innego użytkownika");
}
