// The main window's decisions that need no toolkit: the command states, the
// places of the display and the notice, the font's sizes, the progress texts.
#include <gtest/gtest.h>

#include "frontend/logic/command_states.h"
#include "frontend/logic/connection_choice.h"
#include "frontend/logic/main_window_layout.h"
#include "frontend/logic/read_progress.h"
#include "frontend/logic/report_font.h"

using namespace kelvo::frontend;

namespace {

std::string text(const CommandStates& states)
{
    std::string out;
    for (const auto& state : states)
        out += !state ? '-' : *state ? '1' : '0';
    return out;
}

}

TEST(CommandStates, EveryEventInMenuOrder)
{
    EXPECT_EQ(text(commandStatesAfter(CommandEvent::Start)), "10000111");
    EXPECT_EQ(text(commandStatesAfter(CommandEvent::ReadRunning)), "00000001") << "only the exit stays";
    EXPECT_EQ(text(commandStatesAfter(CommandEvent::ReadSucceeded)), "11111111");
    EXPECT_EQ(text(commandStatesAfter(CommandEvent::ReadFailed)), "10000011");
    EXPECT_EQ(text(commandStatesAfter(CommandEvent::SavedReportOpened)), "-1--0--1") << "a reopened report has no figures";
    EXPECT_FALSE(toolbarFollowsMenu(Command::Generate));
    EXPECT_FALSE(toolbarFollowsMenu(Command::Font));
    EXPECT_TRUE(toolbarFollowsMenu(Command::Browse));
    EXPECT_TRUE(toolbarFollowsMenu(Command::SaveToDisk));
    EXPECT_TRUE(toolbarFollowsMenu(Command::AccountantFigures));
}

TEST(MainWindowLayout, DisplayAndTruncatedCentre)
{
    EXPECT_EQ(displaySize({727, 700}, 40, 25), (Size {717, 633}));
    EXPECT_EQ(noticeOffset({717, 633}, {500, 40}), (Point {108, 296}));
    EXPECT_EQ(noticeOffset({300, 100}, {501, 41}), (Point {-100, 29})) << "-201 / 2 truncates toward zero";
}

TEST(ReportFont, SizesWithinSixToSixteenPoints)
{
    EXPECT_EQ(reportFontPoints(4), 6);
    EXPECT_EQ(reportFontPoints(6), 6);
    EXPECT_EQ(reportFontPoints(11), 11);
    EXPECT_EQ(reportFontPoints(16), 16);
    EXPECT_EQ(reportFontPoints(72), 16);
}

TEST(ReadProgress, CountAndTime)
{
    EXPECT_EQ(recordsReadText(0, 0), "Odczytano rekordów: 0");
    EXPECT_EQ(recordsReadText(120, 2059), "Odczytano rekordów: 120 z 2060") << "records 0 to 2059";
    EXPECT_EQ(elapsedText(0), "Czas odczytu: 0:00");
    EXPECT_EQ(elapsedText(125), "Czas odczytu: 2:05");
    EXPECT_EQ(elapsedText(3725), "Czas odczytu: 1:02:05");
}

TEST(ChannelList, KindsAndTheChannelKept)
{
    EXPECT_EQ(channelList(1).count, 4);
    EXPECT_EQ(channelList(1).columns, 1);
    EXPECT_EQ(channelList(2).count, 8);
    EXPECT_EQ(channelList(2).columns, 2);
    EXPECT_EQ(channelAfterRebuild(6, channelList(1)), 0);
    EXPECT_EQ(channelAfterRebuild(3, channelList(1)), 3);
    EXPECT_EQ(channelAfterRebuild(-1, channelList(2)), 0);
}
