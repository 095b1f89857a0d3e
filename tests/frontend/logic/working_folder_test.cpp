#include "frontend/logic/working_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using kelvo::frontend::chooseWorkingFolder;
using kelvo::test::ScopedEnv;

TEST(WorkingFolder, TempThenTmpThenTheStateFolder)
{
    kelvo::test::TempDir dir;
    ScopedEnv temp("TEMP", "/t1");
    ScopedEnv tmp("TMP", "/t2");
    ScopedEnv state("XDG_STATE_HOME", dir.file("state"));
    ScopedEnv home("HOME", dir.path());
    EXPECT_EQ(chooseWorkingFolder(), "/t1");
    ::setenv("TEMP", "", 1);
    EXPECT_EQ(chooseWorkingFolder(), "/t2");
    ::unsetenv("TMP");
    EXPECT_EQ(chooseWorkingFolder(), dir.file("state") + "/kelvor");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(chooseWorkingFolder(), dir.path() + "/.local/state/kelvor");

    const auto before = std::filesystem::current_path();
    std::string start;
    const auto entered = kelvo::frontend::enterWorkingFolder(start);
    EXPECT_EQ(start, before.string());
    ASSERT_TRUE(entered.has_value()) << "the state folder is created";
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.path() + "/.local/state/kelvor"));
    std::filesystem::current_path(before);
}
