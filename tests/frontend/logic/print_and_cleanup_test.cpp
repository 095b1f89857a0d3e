#include <filesystem>
#include <gtest/gtest.h>

#include "frontend/logic/cleanup.h"
#include "frontend/logic/print_layout.h"
#include "frontend/logic/report_kinds.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;
using kelvo::test::writeFile;

namespace {

// A page of 2 columns and 3 rows: 100 wide with columns of 42, 5 line heights.
const PageMeasures kSmallPage {10, 42, 5, 5, 110, 60};

std::vector<std::string> numbered(int count)
{
    std::vector<std::string> lines;
    for (int n = 1; n <= count; ++n)
        lines.push_back("line " + std::to_string(n));
    return lines;
}

}

TEST(PrintLayout, ColumnsRowsAndPages)
{
    PrintLayout layout = layoutPages(numbered(6), kSmallPage);
    EXPECT_EQ(layout.columns, 2);
    EXPECT_EQ(layout.rows, 4) << "50 high by lines of 10, less one";
    ASSERT_EQ(layout.pages.size(), 1u);
    EXPECT_EQ(layout.pages[0][0], "line 1" + std::string(34, ' ') + "    line 5");
    EXPECT_EQ(layout.pages[0][3], "line 4");

    layout = layoutPages(numbered(8), kSmallPage);
    EXPECT_EQ(layout.pages.size(), 1u) << "exactly rows times columns lines fill one page";
    layout = layoutPages(numbered(9), kSmallPage);
    ASSERT_EQ(layout.pages.size(), 2u);
    EXPECT_EQ(layout.pages[1], std::vector<std::string> {"line 9"});

    std::vector<std::string> lines {std::string(45, 'x'), "", "after an empty line", "y"};
    lines.push_back("z");
    layout = layoutPages(lines, kSmallPage);
    EXPECT_EQ(layout.pages[0][0], std::string(40, 'x') + "    z") << "cut to 40 characters";
    EXPECT_EQ(layout.pages[0][1], "") << "an empty line is printed, and the lines after it too";
    EXPECT_EQ(layout.pages[0][2], "after an empty line");

    layout = layoutPages(numbered(3), PageMeasures {10, 500, 0, 0, 100, 15});
    EXPECT_EQ(layout.columns, 1) << "a page too narrow for a column still takes one";
    EXPECT_EQ(layout.rows, 1);
    EXPECT_EQ(layout.pages.size(), 3u);

    layout = layoutPages(numbered(60000), PageMeasures {1, 42, 0, 0, 42, 101});
    std::size_t printed = 0;
    for (const auto& page : layout.pages)
        printed += page.size();
    EXPECT_EQ(printed, 60000u) << "more rows than one batch holds are all printed";
}

TEST(PrintLayout, JobTitles)
{
    ParameterRecord r;
    r.reportKind = 1;
    r.month = 3;
    r.year = 2009;
    EXPECT_EQ(printJobTitle(r), "Raport okresowy szczegółowy miesięczny (03.2009r.)");
    r = {};
    r.reportKind = 2;
    r.firstDay = 5;
    r.firstMonth = 1;
    r.firstYear = 2009;
    r.lastDay = 28;
    r.lastMonth = 2;
    r.lastYear = 2009;
    EXPECT_EQ(printJobTitle(r), "Raport okresowy szczegółowy według dat od 05.01.2009r. do 28.02.2009r.");
    r.reportKind = 3;
    r.numberFrom = 1;
    r.numberTo = 12;
    r.reportVariant = 1;
    EXPECT_EQ(printJobTitle(r), "Raport okresowy skrócony według numerów od raportu 1 do raportu 12");
    r.reportKind = 6;
    EXPECT_EQ(printJobTitle(r), "Raport okresowy skrócony ");
}

TEST(Cleanup, OnlyThisProgramsFilesGoAndTheConfigurationStays)
{
    kelvo::test::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const char* name : {"KONFIG.TXT", "IN", "IN1", "out", "out.txt", "RAPORT.TXT", "ECRTBUF.TXT", "debug.txt"})
        writeFile(name, "x");
    writeFile("ABC 12345678_SZCZ201201.txt", "    R A P O R T     F I S K A L N Y     \r\n");
    writeFile("old_SKR_BIEZ.txt", "x\r\n    R A P O R T     F I S K A L N Y     \r\n");
    writeFile("notes_SZCZ.txt", "someone else's notes");
    writeFile("letter.txt", "R A P O R T");

    sweepWorkingFolder();
    EXPECT_TRUE(std::filesystem::exists("IN")) << "the sweep leaves the parameter files";
    EXPECT_FALSE(std::filesystem::exists("out.txt"));
    EXPECT_FALSE(std::filesystem::exists("RAPORT.TXT"));
    EXPECT_FALSE(std::filesystem::exists("ABC 12345678_SZCZ201201.txt"));
    EXPECT_FALSE(std::filesystem::exists("old_SKR_BIEZ.txt"));
    EXPECT_TRUE(std::filesystem::exists("notes_SZCZ.txt"));
    EXPECT_TRUE(std::filesystem::exists("letter.txt"));

    cleanUpAtEnd();
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string> {"KONFIG.TXT", "letter.txt", "notes_SZCZ.txt"}));
    std::filesystem::current_path(previous);
}
