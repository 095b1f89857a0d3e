// Fiscal memory records kept across runs, against the register simulator:
// the reports and result codes never change with them, a changed memory or
// a damaged file is never trusted, and only valid records are kept.
#include <filesystem>
#include <fstream>
#include <kelvo/kelvodrv.h>
#include <sys/stat.h>

#include "tests/driver/register_fixture.h"

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
            const std::size_t coldRequests = lastRequests_;
            const Outcome warm = run(family.command, line, true);
            EXPECT_EQ(cold, without);
            EXPECT_EQ(warm, without);
            if (line == std::string("$3\t1\t2")) {
                ASSERT_EQ(without.code, 0);
                EXPECT_LT(lastRequests_, coldRequests) << "the warm run reads fewer records";
            }
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
    // Warm: the four verified records, the empty record after the last one
    // and the header copy beyond the record array.
    EXPECT_LT(lastRequests_, 20u) << "of " << unkept;
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
