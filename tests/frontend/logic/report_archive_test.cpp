#include "frontend/logic/report_archive.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using kelvo::frontend::archiveFolder;
using kelvo::frontend::ArchivedFiles;
using kelvo::frontend::ArchiveEntry;
using kelvo::frontend::archiveReport;
using kelvo::frontend::listArchive;
using kelvo::test::fileExists;
using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

constexpr char kUnique[] = "ABC 12345678";
constexpr char kName[] = "ABC 12345678_SZCZ_POPRZ";

class ReportArchiveTest : public ::testing::Test {
protected:
    ArchiveEntry entry(const std::string& made = "2026-12-01 10:00") const
    {
        ArchiveEntry e;
        e.registerNumber = "1";
        e.unique = kUnique;
        e.kind = 4;
        e.range = "11.2026";
        e.made = made;
        e.name = kName;
        return e;
    }

    // A report text made by the front end, in a file of its own.
    std::string made(const std::string& name, const std::string& bytes) const
    {
        writeFile(dir_.file(name), bytes);
        return dir_.file(name);
    }

    // Archives, expecting success.
    void keep(const ArchiveEntry& what, const ArchivedFiles& files)
    {
        std::string error;
        EXPECT_EQ(archiveReport(what, files, error), 0) << error;
        EXPECT_EQ(error, "");
    }

    std::string registerFolder() const { return archiveFolder() + "/" + kUnique; }

    std::vector<std::string> kept() const
    {
        std::vector<std::string> names;
        for (const auto& file : std::filesystem::directory_iterator(registerFolder()))
            names.push_back(file.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    kelvo::test::TempDir dir_;
    kelvo::test::ScopedEnv data_ {"XDG_DATA_HOME", dir_.file("data")};
};

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}

TEST_F(ReportArchiveTest, TheFolderIsUnderTheDataHomeElseTheHomeFolder)
{
    EXPECT_EQ(archiveFolder(), dir_.file("data") + "/kelvor/raporty");
    ::unsetenv("XDG_DATA_HOME");
    const kelvo::test::ScopedEnv home("HOME", dir_.path());
    EXPECT_EQ(archiveFolder(), dir_.path() + "/.local/share/kelvor/raporty");
}

TEST_F(ReportArchiveTest, TwoDifferentReportsOfOneNameAreBothKeptAndTheSameTextOnce)
{
    const std::string october = made("a.txt", "RAPORT ZA PAZDZIERNIK\r\n");
    keep(entry(), {october, {}, {}, {}});
    keep(entry("2026-12-01 10:05"), {october, {}, {}, {}});
    EXPECT_EQ(kept(), (std::vector<std::string> {std::string(kName) + ".opis", std::string(kName) + ".txt"}))
        << "the same text again is not stored twice";

    const std::string november = made("b.txt", "RAPORT ZA LISTOPAD\r\n");
    const std::string pdf = made("b.pdf", "%PDF-1.4 listopad");
    keep(entry("2027-01-02 09:00"), {november, pdf, {}, {}});
    keep(entry("2027-01-02 09:30"), {november, pdf, {}, {}});
    EXPECT_EQ(readFile(registerFolder() + "/" + kName + ".txt"), "RAPORT ZA PAZDZIERNIK\r\n") << "never overwritten";
    EXPECT_EQ(readFile(registerFolder() + "/" + kName + "-2.txt"), "RAPORT ZA LISTOPAD\r\n");
    EXPECT_EQ(readFile(registerFolder() + "/" + kName + "-2.pdf"), "%PDF-1.4 listopad");
    EXPECT_EQ(kept().size(), 5U);

    // A file the earlier keeping lacked is added to it, not made a new version.
    keep(entry("2026-12-03 08:00"), {october, made("a.pdf", "%PDF-1.4 pazdziernik"), {}, {}});
    EXPECT_EQ(readFile(registerFolder() + "/" + kName + ".pdf"), "%PDF-1.4 pazdziernik");
    EXPECT_EQ(kept().size(), 6U);

    const auto listed = listArchive(kUnique);
    ASSERT_EQ(listed.size(), 2U);
    EXPECT_EQ(listed[0].made, "2026-12-01 10:00") << "the first keeping's description stays";
    EXPECT_EQ(listed[0].files, (std::vector<std::string> {std::string(kName) + ".txt", std::string(kName) + ".pdf"}));
    EXPECT_EQ(listed[1].made, "2027-01-02 09:00");
    EXPECT_EQ(listed[1].registerNumber, "1");
    EXPECT_EQ(listed[1].unique, kUnique);
    EXPECT_EQ(listed[1].kind, 4);
    EXPECT_EQ(listed[1].range, "11.2026");
    EXPECT_EQ(listed[1].files, (std::vector<std::string> {std::string(kName) + "-2.txt", std::string(kName) + "-2.pdf"}));
    EXPECT_EQ(listArchive("").size(), 2U);
    EXPECT_TRUE(listArchive("XYZ").empty());
}

TEST_F(ReportArchiveTest, FoldersAreMadeForTheUserAloneAndAnotherRegisterHasItsOwn)
{
    keep(entry(), {made("a.txt", "A\r\n"), {}, {}, {}});
    ArchiveEntry other = entry();
    other.unique = "XYZ/../87654321";  // a '/' from the register never leaves the archive
    keep(other, {made("b.txt", "B\r\n"), {}, {}, {}});
    EXPECT_EQ(modeOf(dir_.file("data/kelvor")), 0700U);
    EXPECT_EQ(modeOf(archiveFolder()), 0700U);
    EXPECT_EQ(modeOf(registerFolder()), 0700U);
    EXPECT_TRUE(fileExists(archiveFolder() + "/XYZ_.._87654321/" + kName + ".txt"));
    EXPECT_EQ(listArchive("").size(), 2U);
}

TEST_F(ReportArchiveTest, PlantedLinksAndFifosAreNeitherFollowedNorWaitedFor)
{
    std::filesystem::create_directories(registerFolder());
    writeFile(dir_.file("victim"), "NIE RUSZAĆ");
    std::filesystem::create_symlink(dir_.file("victim"), registerFolder() + "/" + kName + ".txt");
    const std::string fifo = registerFolder() + "/" + kName + "-2.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((registerFolder() + "/" + kName + "-9.opis").c_str(), 0600), 0);
    const std::string text = made("a.txt", "NIE RUSZAĆ");

    // Bounded: should the archive open a FIFO and wait, a writer opened here releases it and the test fails.
    auto archived = std::async(std::launch::async, [&] {
        std::string error;
        const int result = archiveReport(entry(), {text, {}, {}, {}}, error);
        return std::make_pair(result, error);
    });
    if (archived.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        ADD_FAILURE() << "archiving waited at a FIFO";
    }
    const auto [result, error] = archived.get();
    EXPECT_EQ(result, 0) << error;
    EXPECT_EQ(readFile(dir_.file("victim")), "NIE RUSZAĆ");
    EXPECT_TRUE(std::filesystem::is_symlink(registerFolder() + "/" + kName + ".txt"));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(readFile(registerFolder() + "/" + kName + "-3.txt"), "NIE RUSZAĆ") << "the names taken are passed over";

    auto listed = std::async(std::launch::async, [] { return listArchive(""); });
    if (listed.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ::close(::open((registerFolder() + "/" + kName + "-9.opis").c_str(), O_WRONLY | O_NONBLOCK));
        ADD_FAILURE() << "listing waited at a FIFO";
    }
    EXPECT_EQ(listed.get().size(), 1U);
}

TEST_F(ReportArchiveTest, AFolderOfTheArchiveThatIsALinkOrOpenToOthersIsRefused)
{
    std::filesystem::create_directories(archiveFolder());
    std::filesystem::create_directories(dir_.file("elsewhere"));
    std::filesystem::create_directory_symlink(dir_.file("elsewhere"), registerFolder());
    std::string error;
    EXPECT_EQ(archiveReport(entry(), {made("a.txt", "A\r\n"), {}, {}, {}}, error), 1);
    EXPECT_NE(error.find("nie jest folderem tego użytkownika"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_empty(dir_.file("elsewhere")));
    EXPECT_TRUE(listArchive("").empty());

    std::filesystem::remove(registerFolder());
    std::filesystem::permissions(archiveFolder(), std::filesystem::perms::others_write, std::filesystem::perm_options::add);
    error.clear();
    EXPECT_EQ(archiveReport(entry(), {made("a.txt", "A\r\n"), {}, {}, {}}, error), 1);
    EXPECT_NE(error.find(archiveFolder()), std::string::npos) << error;
}

TEST_F(ReportArchiveTest, AReportTextThatCannotBeReadIsNotKept)
{
    std::string error;
    EXPECT_EQ(archiveReport(entry(), {dir_.file("missing.txt"), {}, {}, {}}, error), 1);
    EXPECT_NE(error.find("missing.txt"), std::string::npos) << error;
    EXPECT_FALSE(fileExists(archiveFolder()));
}

TEST_F(ReportArchiveTest, TheEntryOfAGeneratedReportNamesItsRange)
{
    kelvo::frontend::Session session;
    session.uniqueNumber = kUnique;
    session.record.registerNumber = 3;
    std::tm january {};
    january.tm_year = 2027 - 1900;
    january.tm_mon = 0;
    january.tm_mday = 5;
    january.tm_hour = 12;
    const std::time_t made = std::mktime(&january);
    const auto rangeOf = [&](int kind) {
        session.record.reportKind = kind;
        return kelvo::frontend::generatedReportEntry(session, "ABC 12345678_SZCZ.txt", made).range;
    };
    session.record.month = 3;
    session.record.year = 2026;
    EXPECT_EQ(rangeOf(1), "03.2026");
    session.record.firstDay = 1;
    session.record.firstMonth = 2;
    session.record.firstYear = 2026;
    session.record.lastDay = 28;
    session.record.lastMonth = 2;
    session.record.lastYear = 2026;
    EXPECT_EQ(rangeOf(6), "01.02.2026-28.02.2026");
    session.record.numberFrom = 1;
    session.record.numberTo = 30;
    EXPECT_EQ(rangeOf(7), "nr 1-30");
    EXPECT_EQ(rangeOf(4), "12.2026") << "the month before January";
    EXPECT_EQ(rangeOf(5), "01.2027");
    EXPECT_EQ(rangeOf(8), "cała pamięć");
    const ArchiveEntry e = kelvo::frontend::generatedReportEntry(session, "ABC 12345678_SZCZ.txt", made);
    EXPECT_EQ(e.registerNumber, "3");
    EXPECT_EQ(e.name, "ABC 12345678_SZCZ");
    EXPECT_EQ(e.made, "2027-01-05 12:00");
}
