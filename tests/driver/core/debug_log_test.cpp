#include "driver/core/debug_log.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/core/notify.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;
using kelvo::test::readFile;

namespace {

// Runs an action with standard output sent to a file, and returns what it printed.
template <typename Action>
std::string capturedOutput(Action action)
{
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int file = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(file, STDOUT_FILENO);
    ::close(file);
    action();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    return readFile("stdout.txt");
}

using DebugLogTest = kelvo::test::DriverTest;

}

TEST_F(DebugLogTest, AnnounceRecordWithDebugOn)
{
    ctx.server.debug = true;
    ctx.names.slot[0] = "ONrUnik";
    const std::string printed = capturedOutput([] { announce(); });
    const std::string record =
        "***DEBUG*###DRIVER: ONrUnik, PID=" + std::to_string(::getpid()) + " poslal komunikat AVAILABLE do Serwera ###\n";
    EXPECT_EQ(printed, record);
    EXPECT_EQ(readFile("debug.txt"), record + "\n\n\n") << "each record is followed by three empty lines";

    resetCommandContext();
    ctx.server.debug = true;
    ctx.names.slot[0] = "OStatus";
    capturedOutput([] { announce(); });
    const std::string second =
        "***DEBUG*###DRIVER: OStatus, PID=" + std::to_string(::getpid()) + " poslal komunikat AVAILABLE do Serwera ###\n";
    EXPECT_EQ(readFile("debug.txt"), record + "\n\n\n" + second + "\n\n\n") << "records are appended";
}

TEST_F(DebugLogTest, FormatConversions)
{
    const std::string printed = capturedOutput([] {
        debugLog("start %d3|%d|%c%s and a literal much longer than eighteen%F", {std::int32_t(7), std::int32_t(-42), 'x',
            std::string_view("text"), std::string_view(".extra")});
    });
    EXPECT_EQ(printed, "***DEBUG*start 007|-42|xtext and a literal muc") << "literal text is cut to 18 characters";
    EXPECT_EQ(readFile("debug.txt.extra"), printed + "\n\n\n");
    EXPECT_FALSE(kelvo::test::fileExists("debug.txt"));

    EXPECT_EQ(capturedOutput([] { debugLog("no conversions", {}); }), "***DEBUG*no conversions");
    EXPECT_EQ(readFile("debug.txt"), "***DEBUG*no conversions\n");

    EXPECT_EQ(capturedOutput([] { debugLog("%d", {std::int32_t(0)}); }), "***DEBUG*0");

    std::string tooMany;
    for (int i = 0; i < 18; ++i)
        tooMany += "%s";
    EXPECT_EQ(capturedOutput([&] { debugLog(tooMany, {}); }), "ERROR: funkcji Printf, za duzo parametrow !!!");
}

TEST_F(DebugLogTest, UnwritableLogStillPrints)
{
    ASSERT_EQ(::mkdir("debug.txt", 0700), 0);
    EXPECT_EQ(capturedOutput([] { debugLog("%s", {std::string_view("x")}); }), "***DEBUG*x");
}
