#include "frontend/logic/user_paper.h"

#include <gtest/gtest.h>

#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using kelvo::frontend::userPaper;
using kelvo::test::ScopedEnv;

namespace {

// No libpaper setting and no locale, until a test gives them.
class UserPaperTest : public ::testing::Test {
protected:
    kelvo::test::TempDir dir_;
    ScopedEnv size_ {"PAPERSIZE", ""};
    ScopedEnv file_ {"PAPERCONF", dir_.file("papersize")};
    ScopedEnv all_ {"LC_ALL", ""};
    ScopedEnv paper_ {"LC_PAPER", ""};
    ScopedEnv lang_ {"LANG", ""};
};

}

TEST_F(UserPaperTest, APolishLocaleGivesA4AndAnAmericanOneLetter)
{
    {
        ScopedEnv lang {"LANG", "pl_PL.UTF-8"};
        EXPECT_EQ(userPaper().name, "a4");
        EXPECT_EQ(userPaper().widthMm, 210);
        EXPECT_EQ(userPaper().heightMm, 297);
    }
    {
        ScopedEnv paper {"LC_PAPER", "en_US.UTF-8"};
        EXPECT_EQ(userPaper().name, "letter");
        ScopedEnv all {"LC_ALL", "pl_PL.UTF-8"};
        EXPECT_EQ(userPaper().name, "a4") << "LC_ALL stands above LC_PAPER";
    }
    EXPECT_EQ(userPaper().name, "a4") << "no locale at all";
}

TEST_F(UserPaperTest, LibpapersSettingsStandAboveTheLocale)
{
    ScopedEnv lang {"LANG", "pl_PL.UTF-8"};
    kelvo::test::writeFile(dir_.file("papersize"), "# chosen by the administrator\n\n  Letter  \n");
    EXPECT_EQ(userPaper().name, "letter") << "the file's first name, case aside";
    {
        ScopedEnv size {"PAPERSIZE", "a5"};
        EXPECT_EQ(userPaper().name, "a5");
        EXPECT_EQ(userPaper().widthMm, 148);
    }
    kelvo::test::writeFile(dir_.file("papersize"), "halfletter-of-a-kind\n");
    EXPECT_EQ(userPaper().name, "a4") << "a name not known falls to the locale";
}
