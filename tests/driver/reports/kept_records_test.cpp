// Fiscal memory records kept across runs, against the register simulator:
// the reports and result codes never change with them, whatever the
// register or the file does: a changed memory, a record that now reads
// damaged or differently, a damaged or planted file, a FIFO or a link in its
// place; and only valid records are kept.
#include <filesystem>
#include <functional>
#include <fstream>
#include <kelvo/kelvodrv.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/files/record_store.h"
#include "driver/reports/report_lines.h"
#include "tests/driver/register_fixture.h"
#include "tests/support/other_user.h"

using kelvo::test::readFile;
using kelvo::test::writeFile;

namespace {

namespace fs = std::filesystem;

const std::string kOrvan = std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json";
const std::string kPelun = std::string(KELVO_GOLDEN_REPORTS) + "/../scenarios/pelun-settlement.json";
// The whole history of the generated memory: its daily reports 1 to 140 and more.
const std::string kWhole = "$3\t1\t140";

using Command = unsigned char (*)(const char*, const char*);

struct Outcome;
void PrintTo(const Outcome& o, std::ostream* out);

struct Outcome {
    int code;
    std::string report;
    std::string runReport;  // RAPORT.TXT without its clock line: the result and the counters
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* out)
{
    *out << "code " << o.code << "\nrun report:\n" << o.runReport;
}

std::string withoutFirstLine(const std::string& text)
{
    const auto end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(end + 1);
}

class KeptRecordsTest : public kelvo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        ::setenv("XDG_CACHE_HOME", dir_.file("cache").c_str(), 1);
    }

    void TearDown() override
    {
        ::unsetenv("XDG_CACHE_HOME");
        RegisterTest::TearDown();
    }

    Outcome run(Command command, const std::string& dataLine, bool keep)
    {
        UstawieniePamieciRekordow(keep ? 1 : 0);
        writeFile("in", "#1\r\n#\r\n#\r\n" + dataLine + "\r\n");
        fs::remove(dir_.file("report.txt"));
        const std::size_t before = recordRequests();
        const int code = command("in", "report.txt");
        lastRequests_ = recordRequests() - before;
        return {code, fs::exists(dir_.file("report.txt")) ? readFile(dir_.file("report.txt")) : std::string(),
            withoutFirstLine(readFile(dir_.file("RAPORT.TXT")))};
    }

    std::size_t recordRequests() const { return requests("154").size(); }

    std::vector<fs::path> keptFiles() const
    {
        std::vector<fs::path> files;
        const fs::path folder = fs::path(dir_.file("cache")) / "kelvor";
        if (fs::exists(folder))
            for (const auto& entry : fs::directory_iterator(folder))
                files.push_back(entry.path());
        return files;
    }

    fs::path onlyKeptFile() const
    {
        const auto files = keptFiles();
        EXPECT_EQ(files.size(), 1u);
        return files.empty() ? fs::path() : files.front();
    }

    std::size_t lastRequests_ = 0;  // record requests of the last run

    // The index of the kept daily report that the test picks: the kept file
    // holds the raw answers, CRC-protected on the generated model (type in
    // A[1], the date's BCD year and month in A[2] and A[3], the number in
    // A[5] and A[6]).
    std::uint32_t keptDailyReport(const std::function<bool(const std::vector<std::uint8_t>&)>& picked) const
    {
        const auto store = kelvo::drv::decodeRecordStore(bytesOf(onlyKeptFile()));
        EXPECT_TRUE(store.has_value());
        std::vector<std::uint32_t> found;
        if (store)
            for (const auto& [index, a] : store->records)
                if ((a[1] & 0x3F) == 60 && picked(a))
                    found.push_back(index);
        EXPECT_FALSE(found.empty());
        return found.empty() ? 0 : found[found.size() / 2];
    }

    static std::vector<std::uint8_t> bytesOf(const fs::path& file)
    {
        const std::string text = readFile(file.string());
        return {text.begin(), text.end()};
    }

    // The driver's note, and a text to look for in it, both in Windows-1250.
    static std::string keptRecordsNote()
    {
        char text[1024] = {};
        OdczytanieUwagiPamieciRekordow(text);
        return text;
    }
    static bool noteSays(const std::string& text)
    {
        return keptRecordsNote().find(kelvo::drv::report::windows1250(text)) != std::string::npos;
    }

    void startGenerated(const std::string& seed, std::vector<std::string> more = {})
    {
        std::vector<std::string> arguments {"--model", "121", "--generate", "1", "--seed", seed, "--records", "300"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        startRegister(arguments);
        run(X000028X, "$3\t1\t2", false);  // the identification file is written once, by the first command
    }
};

struct Family {
    std::string scenario;
    Command command;
    std::vector<const char*> dataLines;  // kinds 1 to 8
};

}

TEST_F(KeptRecordsTest, ColdAndWarmReportsAreTheSameAsWithoutKeptRecordsForEveryKindOfBothFamilies)
{
    const Family families[] = {
        {kOrvan, X000028X,
            {"$1\t2012.01", "$2\t12.01.03\t2012r01.31", "$3\t1\t2", "$4", "$5", "$6\t2012.01.01\t2012.01.31",
                "$7\t1\t2", "$8"}},
        {kPelun, X000035X,
            {"$1\t2013.01", "$2\t2012.12.01\t2013.03.01", "$3\t1\t2", "$4", "$5", "$6\t2012.12.01\t2013.03.01",
                "$7\t2\t3", "$8"}},
    };
    for (const Family& family : families) {
        SCOPED_TRACE(family.scenario);
        startRegister({"--scenario", family.scenario});
        run(family.command, "$8", false);  // the identification file is written once, by the first command
        for (const char* line : family.dataLines) {
            SCOPED_TRACE(line);
            fs::remove_all(dir_.file("cache"));
            const Outcome without = run(family.command, line, false);
            EXPECT_TRUE(keptFiles().empty()) << "nothing is kept while keeping is off";
            const Outcome cold = run(family.command, line, true);
            const Outcome warm = run(family.command, line, true);
            EXPECT_EQ(cold, without);
            EXPECT_EQ(warm, without);
        }
        simulator_.reset();
    }
}

TEST_F(KeptRecordsTest, AMemoryChangedUnderTheSameUniqueNumberIsReadAgainWhole)
{
    startGenerated("1");
    ASSERT_EQ(run(X000028X, kWhole, true).code, 0);
    const auto firstKept = readFile(onlyKeptFile().string());
    simulator_.reset();

    startGenerated("2");
    const Outcome truth = run(X000028X, kWhole, false);
    ASSERT_EQ(truth.code, 0);
    const std::size_t unkept = lastRequests_;
    EXPECT_EQ(run(X000028X, kWhole, true), truth);
    EXPECT_GE(lastRequests_, unkept) << "the whole memory is read again";
    EXPECT_NE(readFile(onlyKeptFile().string()), firstKept) << "the kept file now holds the new memory";
    EXPECT_EQ(run(X000028X, kWhole, true), truth);
    EXPECT_LE(lastRequests_, unkept + 4) << "everything the report shows is read, and the four verified records";

    // A range at the end of the memory: the records before it come from the file.
    const char* const lastReports = "$3\t130\t140";
    const Outcome late = run(X000028X, lastReports, false);
    ASSERT_EQ(late.code, 0);
    const std::size_t lateUnkept = lastRequests_;
    EXPECT_EQ(run(X000028X, lastReports, true), late);
    EXPECT_LT(lastRequests_, lateUnkept / 4) << "the warm run reads the range, not the memory before it";
}

TEST_F(KeptRecordsTest, ADamagedRecordIsNeverKeptAndIsReadAgainNextRun)
{
    // Twenty damaged reads: ten for the first command of the start, ten for the kept run.
    startGenerated("1", {"--fault", "bad-checksum:5:20"});
    const Outcome damaged = run(X000028X, kWhole, true);
    ASSERT_EQ(damaged.code, 0);
    simulator_.reset();

    startGenerated("1");
    const Outcome truth = run(X000028X, kWhole, false);
    ASSERT_NE(damaged.report, truth.report) << "the damage shows in the report";
    EXPECT_EQ(run(X000028X, kWhole, true), truth);
}

TEST_F(KeptRecordsTest, ATruncatedOrCorruptedFileIsIgnoredAndReplaced)
{
    startGenerated("1");
    const Outcome truth = run(X000028X, kWhole, false);
    const std::size_t unkept = lastRequests_;
    ASSERT_EQ(run(X000028X, kWhole, true), truth);
    const fs::path file = onlyKeptFile();
    const std::string whole = readFile(file.string());

    const auto damage = [&](const std::string& content) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
        EXPECT_EQ(run(X000028X, kWhole, true), truth);
        EXPECT_EQ(lastRequests_, unkept) << "nothing of a damaged file is used";
        EXPECT_EQ(readFile(file.string()), whole) << "the file is written anew";
    };
    damage(whole.substr(0, whole.size() / 2));
    std::string flipped = whole;
    flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x01);
    damage(flipped);
    damage("");
}

TEST_F(KeptRecordsTest, EachRegisterHasItsOwnPrivateFile)
{
    startRegister({"--scenario", kOrvan});
    run(X000028X, "$3\t1\t2", false);
    const Outcome orvan = run(X000028X, "$3\t1\t2", false);
    ASSERT_EQ(run(X000028X, "$3\t1\t2", true), orvan);
    simulator_.reset();

    startGenerated("1");
    const Outcome generated = run(X000028X, kWhole, false);
    ASSERT_EQ(run(X000028X, kWhole, true), generated);
    EXPECT_EQ(run(X000028X, kWhole, true), generated);
    simulator_.reset();

    const auto files = keptFiles();
    ASSERT_EQ(files.size(), 2u);
    for (const fs::path& file : files) {
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
    }
    startRegister({"--scenario", kOrvan});
    EXPECT_EQ(run(X000028X, "$3\t1\t2", true), orvan);
}

TEST_F(KeptRecordsTest, ForgettingDeletesTheRegistersFile)
{
    startGenerated("1");
    ASSERT_EQ(run(X000028X, kWhole, true).code, 0);
    ASSERT_EQ(keptFiles().size(), 1u);
    writeFile("in", "#1\r\n#\r\n#\r\n$\r\n");
    EXPECT_EQ(UsunieciePamieciRekordow("in"), 0);
    EXPECT_TRUE(keptFiles().empty());
}

namespace {

// The reports of a month and of a range of numbers of the generated memory,
// which begins on 4 January 2010 with a daily report every working day.
const char* const kMarch2010 = "$1\t2010.03";
const char* const kNumbers40To60 = "$3\t40\t60";

bool inMarch2010(const std::vector<std::uint8_t>& a)
{
    return a[2] == 0x10 && a[3] == 0x03;
}

bool numbered40To60(const std::vector<std::uint8_t>& a)
{
    const unsigned number = a[5] | (a[6] << 8);
    return number >= 40 && number <= 60;
}

struct RangeCase {
    const char* dataLine;
    bool (*inRange)(const std::vector<std::uint8_t>&);
};

const RangeCase kRanges[] = {{kMarch2010, inMarch2010}, {kNumbers40To60, numbered40To60}};

}

TEST_F(KeptRecordsTest, ARecordInsideTheRangeThatChangedReadsTheReportAgainWithoutKeptRecords)
{
    for (const RangeCase& range : kRanges) {
        SCOPED_TRACE(range.dataLine);
        fs::remove_all(dir_.file("cache"));
        startGenerated("1");
        const Outcome before = run(X000028X, range.dataLine, true);
        ASSERT_EQ(before.code, 0);
        const std::uint32_t changed = keptDailyReport(range.inRange);
        simulator_.reset();

        // The same register, its memory differing in one amount of one daily report.
        startGenerated("1", {"--fault", "changed-record:" + std::to_string(changed)});
        const Outcome truth = run(X000028X, range.dataLine, false);
        ASSERT_EQ(truth.code, 0);
        ASSERT_NE(truth.report, before.report) << "the changed amount shows in the report";
        EXPECT_EQ(run(X000028X, range.dataLine, true), truth);
        EXPECT_TRUE(noteSays("rekord nr " + std::to_string(changed) + " odczytany z kasy różni się")) << keptRecordsNote();
        EXPECT_EQ(run(X000028X, range.dataLine, true), truth) << "the kept file now holds the memory as it reads";
        EXPECT_EQ(keptRecordsNote(), "");
        simulator_.reset();
    }
}

TEST_F(KeptRecordsTest, ARecordInsideTheRangeThatNowReadsDamagedOrDifferentlyGivesTheColdReportAndCode)
{
    for (const RangeCase& range : kRanges) {
        for (const std::string damage : {"1000", "vary"}) {
            SCOPED_TRACE(std::string(range.dataLine) + " bad-checksum " + damage);
            fs::remove_all(dir_.file("cache"));
            startGenerated("1");
            ASSERT_EQ(run(X000028X, range.dataLine, true).code, 0);
            const std::uint32_t damaged = keptDailyReport(range.inRange);
            simulator_.reset();

            startGenerated("1", {"--fault", "bad-checksum:" + std::to_string(damaged) + ":" + damage});
            const Outcome truth = run(X000028X, range.dataLine, false);
            EXPECT_EQ(truth.code, damage == "vary" ? 46 : 0);
            EXPECT_EQ(run(X000028X, range.dataLine, true), truth);
            simulator_.reset();
        }
    }
}

TEST_F(KeptRecordsTest, AKeptRecordWhoseOwnChecksumFailsIsNeverUsed)
{
    startGenerated("1");
    const Outcome truth = run(X000028X, kMarch2010, false);
    ASSERT_EQ(run(X000028X, kMarch2010, true), truth);
    const fs::path file = onlyKeptFile();
    auto store = kelvo::drv::decodeRecordStore(bytesOf(file));
    ASSERT_TRUE(store.has_value());
    // The amount changes, the record's CRC does not; the file's own checksum is made anew.
    const std::uint32_t planted = keptDailyReport(inMarch2010);
    store->records[planted][7] ^= 0x10;
    const auto bytes = kelvo::drv::encodeRecordStore(*store);
    writeFile(file.string(), std::string(bytes.begin(), bytes.end()));

    EXPECT_EQ(run(X000028X, kMarch2010, true), truth);
    EXPECT_TRUE(noteSays("złą sumę kontrolną")) << keptRecordsNote();
}

TEST_F(KeptRecordsTest, AFolderThatAnotherUserMayWriteIntoIsNeitherReadNorWritten)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "needs root to make the folder another user's";
    startGenerated("1");
    ASSERT_EQ(run(X000028X, kMarch2010, true).code, 0);
    const std::uint32_t changed = keptDailyReport(inMarch2010);
    simulator_.reset();

    // Another user's folder holding a file of valid records, one of which
    // differs from the register's memory: what a planted file would hold.
    startGenerated("1", {"--fault", "changed-record:" + std::to_string(changed)});
    fs::remove_all(dir_.file("cache"));
    ASSERT_EQ(run(X000028X, kMarch2010, true).code, 0);
    const fs::path file = onlyKeptFile();
    const std::string planted = readFile(file.string());
    simulator_.reset();
    ASSERT_EQ(::chown(file.parent_path().c_str(), kelvo::test::kNobody, kelvo::test::kNobody), 0);
    ASSERT_EQ(::chmod(file.parent_path().c_str(), 0777), 0);

    startGenerated("1");
    const Outcome truth = run(X000028X, kMarch2010, false);
    const std::size_t cold = lastRequests_;
    EXPECT_EQ(run(X000028X, kMarch2010, true), truth);
    EXPECT_TRUE(noteSays("nie jest prywatnym folderem")) << keptRecordsNote();
    EXPECT_EQ(lastRequests_, cold) << "nothing of the planted file is used";
    EXPECT_EQ(readFile(file.string()), planted) << "nothing is written there";
}

TEST_F(KeptRecordsTest, AFifoOrALinkToADeviceInPlaceOfTheFileIsNeitherWaitedOnNorReadAndForgettingRemovesIt)
{
    startGenerated("1");
    const Outcome truth = run(X000028X, kMarch2010, false);
    ASSERT_EQ(run(X000028X, kMarch2010, true), truth);
    const fs::path file = onlyKeptFile();
    const auto fifo = [&] { fs::remove(file); return ::mkfifo(file.c_str(), 0600) == 0; };
    const auto link = [&] { fs::remove(file); fs::create_symlink("/dev/zero", file); return true; };
    const struct {
        std::function<bool()> plant;
        const char* removed;
    } cases[] = {{fifo, "kolejkę FIFO"}, {link, "dowiązanie symboliczne"}};
    for (const auto& planted : cases) {
        SCOPED_TRACE(planted.removed);
        ASSERT_TRUE(planted.plant());
        EXPECT_EQ(run(X000028X, kMarch2010, true), truth);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file))) << "replaced by a file of kept records";

        ASSERT_TRUE(planted.plant());
        writeFile("in", "#1\r\n#\r\n#\r\n$\r\n");
        EXPECT_EQ(UsunieciePamieciRekordow("in"), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(file)));
        EXPECT_TRUE(noteSays(planted.removed)) << keptRecordsNote();
    }
    writeFile("in", "#1\r\n#\r\n#\r\n$\r\n");
    EXPECT_EQ(UsunieciePamieciRekordow("in"), 0);
    EXPECT_TRUE(noteSays("Nie było")) << keptRecordsNote();
}
