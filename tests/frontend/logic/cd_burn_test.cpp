#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "frontend/logic/cd_burn.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;
using kelvo::test::fileExists;
using kelvo::test::readFile;
using kelvo::test::TempDir;
using kelvo::test::writeFile;
namespace fs = std::filesystem;

namespace {

constexpr char kReportName[] = "12345678_szcz_m_2012_01.txt";

// A working folder with a report, a staging folder under a private data
// folder and an image file as the recorder.
class CdBurn : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(work.file("work"));
        report = std::string("R A P O R T  OKRESOWY\r\n\xA3\xB9 ") + std::string(3000, 'x') + "\r\n";
        writeFile(work.file("work/") + kReportName, report);
        ::setenv("XDG_DATA_HOME", work.file("data").c_str(), 1);
        ::setenv("KELVO_CD_DRIVE", ("stdio:" + disc()).c_str(), 1);
    }
    std::string staging() const { return work.file("data/kelvor/nagrywanie"); }
    std::string disc() const { return work.file("disc.iso"); }
    BurnResult burn()
    {
        PlatformBurnSystem system;
        return burnReportToCd(work.file("work"), kReportName, system, [this](int written, int total) {
            progress.emplace_back(written, total);
        });
    }
    std::vector<std::string> stagedNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(staging()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    TempDir work;
    std::string report;
    std::vector<std::pair<int, int>> progress;
};

// The files on an image, extracted by xorriso.
std::vector<std::string> extract(const std::string& image, const std::string& into)
{
    const std::string command = "xorriso -indev '" + image + "' -osirrox on -extract / '" + into + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(into))
        names.push_back(fs::relative(entry.path(), into).string());
    return names;
}

bool contains(const std::string& bytes, const std::string& part)
{
    return bytes.find(part) != std::string::npos;
}

}

TEST_F(CdBurn, ImageHoldsTheReportAloneWithJolietAndRockRidgeNames)
{
    fs::create_directories(staging() + "/left");
    writeFile(staging() + "/waiting.txt", "an earlier file");
    writeFile(staging() + "/left/inside.txt", "in a subfolder");
    fs::permissions(staging() + "/waiting.txt", fs::perms::owner_read);

    ASSERT_EQ(burn(), BurnResult::Done);

    EXPECT_EQ(stagedNames(), std::vector<std::string> {"left"}) << "files gone, subfolders left";
    const std::string image = readFile(disc());
    ASSERT_GE(image.size(), 17u * 2048);
    EXPECT_EQ(image.substr(16 * 2048 + 1, 5), "CD001") << "ISO 9660 volume descriptor";
    EXPECT_TRUE(contains(image, std::string("\x02" "CD001", 6))) << "a supplementary descriptor";
    EXPECT_TRUE(contains(image, "%/E")) << "Joliet's escape sequence";
    EXPECT_TRUE(contains(image, "RRIP_1991A") || contains(image, "IEEE_1282")) << "Rock Ridge";

    const auto names = extract(disc(), work.file("out"));
    EXPECT_EQ(names, std::vector<std::string> {kReportName}) << "the report alone, no subfolder";
    EXPECT_EQ(readFile(work.file("out/") + kReportName), report) << "byte for byte";
    EXPECT_FALSE(fileExists(work.file("out/waiting.txt")));

    ASSERT_FALSE(progress.empty());
    EXPECT_GT(progress.back().second, 0);
    EXPECT_EQ(progress.back().first, progress.back().second) << "the last report is the whole session";
    EXPECT_EQ(burnProgressText(progress.back().first, progress.back().second), "Trwa nagrywanie dysku CD: 100%");
}

TEST_F(CdBurn, NoRecorderBadCopyAndNoStagingFolder)
{
    ::setenv("KELVO_CD_DRIVE", "/nonexistent/sr9", 1);
    fs::create_directories(staging());
    writeFile(staging() + "/waiting.txt", "an earlier file");
    EXPECT_EQ(burn(), BurnResult::NoRecorder);
    EXPECT_EQ(burnMessage(BurnResult::NoRecorder).text, "NIE WYKRYTO NAGRYWARKI PŁYT CDR/CD-RW");
    EXPECT_TRUE(stagedNames().empty()) << "the staging folder is left empty";

    if (!fs::exists("/dev/sr0")) {
        ::unsetenv("KELVO_CD_DRIVE");
        EXPECT_EQ(burn(), BurnResult::NoRecorder) << "libburn's scan finds no drive on this machine";
    }

    ::setenv("KELVO_CD_DRIVE", ("stdio:" + disc()).c_str(), 1);
    fs::remove(work.file("work/") + kReportName);
    EXPECT_EQ(burn(), BurnResult::StagingCopyFailed);
    EXPECT_TRUE(stagedNames().empty());
    EXPECT_FALSE(fileExists(disc())) << "nothing was burned";

    writeFile(work.file("plain"), "a file where folders should be");
    ::setenv("XDG_DATA_HOME", work.file("plain").c_str(), 1);
    ::setenv("HOME", work.file("plain").c_str(), 1);
    EXPECT_EQ(burn(), BurnResult::NoStagingFolder);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(burn(), BurnResult::NoStagingFolder);
}

TEST_F(CdBurn, StagingFolderUnderHomeWhenNoDataFolderIsSet)
{
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", work.file("home").c_str(), 1);
    ASSERT_EQ(burn(), BurnResult::Done);
    EXPECT_TRUE(fs::is_directory(work.file("home/.local/share/kelvor/nagrywanie")));
}

TEST_F(CdBurn, AWriteThatFailsIsAFailedBurn)
{
    ::setenv("KELVO_CD_DRIVE", "stdio:/dev/full", 1);
    EXPECT_EQ(burn(), BurnResult::BurnFailed) << "the device takes no data";
    EXPECT_TRUE(stagedNames().empty());
}

// Each test runs in a process of its own: libburn may still be tidying up
// after a failed write when the next burn of the same process starts.
TEST_F(CdBurn, ASecondSessionOnTheSameImage)
{
    ::setenv("KELVO_CD_DRIVE", ("stdio:" + disc()).c_str(), 1);
    ASSERT_EQ(burn(), BurnResult::Done);
    report = "a later report\r\n";
    writeFile(work.file("work/") + kReportName, report);
    ASSERT_EQ(burn(), BurnResult::Done) << "an image with a session takes another";
    EXPECT_EQ(extract(disc(), work.file("out")), std::vector<std::string> {kReportName});
    EXPECT_EQ(readFile(work.file("out/") + kReportName), report) << "the newer report replaces the older";
}

namespace {

// A burner failing at a chosen step, for the failures no real drive here can
// be made to give.
struct FailingBurner final : kelvo::platform::CdBurner {
    int failAt;
    explicit FailingBurner(int step) : failAt(step) { }
    bool hasRecordableDrive(bool& present) override
    {
        present = failAt != 2;
        return failAt != 1;
    }
    bool recorderDriveAddress(std::string& address) override
    {
        address = "/dev/sr0";
        return failAt != 3;
    }
    int burn(const std::string&, const kelvo::platform::BurnProgress&) override { return failAt == 4 ? 5 : 0; }
};

struct ScriptedSystem final : BurnSystem {
    std::string folder;
    bool starts = true;
    bool creates = true;
    int failAt = 0;
    int running = 0;
    std::optional<std::string> stagingFolder() override { return folder; }
    bool startLibraries() override
    {
        running += starts;
        return starts;
    }
    void stopLibraries() override { --running; }
    std::unique_ptr<kelvo::platform::CdBurner> createBurner() override
    {
        return creates ? std::make_unique<FailingBurner>(failAt) : nullptr;
    }
};

}

TEST_F(CdBurn, EachFailingStepHasItsResultAndLeavesNothingStaged)
{
    ScriptedSystem system;
    system.folder = work.file("staged");
    fs::create_directories(system.folder);
    const auto run = [&] { return burnReportToCd(work.file("work"), kReportName, system, nullptr); };

    system.starts = false;
    EXPECT_EQ(run(), BurnResult::ComponentsFailed);
    system.starts = true;
    system.creates = false;
    EXPECT_EQ(run(), BurnResult::NoBurner);
    system.creates = true;
    const std::pair<int, BurnResult> steps[] {{1, BurnResult::RecorderQueryFailed}, {2, BurnResult::NoRecorder},
        {3, BurnResult::DriveLetterFailed}, {4, BurnResult::BurnFailed}, {0, BurnResult::Done}};
    for (const auto& [step, result] : steps) {
        system.failAt = step;
        EXPECT_EQ(run(), result) << "step " << step;
        EXPECT_EQ(system.running, 0) << "the libraries are stopped after every start";
        EXPECT_TRUE(fs::is_empty(system.folder));
    }
}
