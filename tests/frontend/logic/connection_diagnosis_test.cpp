#include "frontend/logic/connection_diagnosis.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/other_user.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

using kelvo::frontend::diagnoseConnection;
using kelvo::frontend::diagnoseFailedRequest;
using kelvo::test::PtyPair;
using kelvo::test::ScopedEnv;
using kelvo::test::TempDir;

namespace {

// COM5 leads wherever the test points it.
class ConnectionDiagnosisTest : public ::testing::Test {
protected:
    std::string diagnoseAt(const std::string& path, int code = 62, int speed = 9600)
    {
        const ScopedEnv com5("KELVO_COM5", path);
        return diagnoseConnection(5, speed, code);
    }

    TempDir dir_;
    ScopedEnv config_ {"XDG_CONFIG_HOME", dir_.path()};
};

// Reads what a child wrote to the pipe until it closed it.
std::string readAll(int fd)
{
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

}

TEST_F(ConnectionDiagnosisTest, AppliesToOpenFailuresAndFirstTimeOutsOnSerialLinks)
{
    const ScopedEnv com5("KELVO_COM5", dir_.file("brak"));
    kelvo::frontend::ParameterRecord record;
    record.port = 5;
    record.speed = 9600;
    EXPECT_NE(diagnoseFailedRequest(record, 62, false), "");
    EXPECT_NE(diagnoseFailedRequest(record, 21, true), "");
    EXPECT_NE(diagnoseFailedRequest(record, 20, true), "");
    EXPECT_EQ(diagnoseFailedRequest(record, 21, false), "") << "a later time-out is no sign of a silent line";
    for (const int code : {0, 6, 16, 22, 49})
        EXPECT_EQ(diagnoseFailedRequest(record, code, true), "") << code;
    record.linkPort = "COM5:9600:MUX7:1";
    record.linkTail = "KASA\tABCDEFGH:5:3";
    EXPECT_NE(diagnoseFailedRequest(record, 62, true), "") << "a converter on the serial line";
    record.linkPort = "COM5:9600:MUX6:0";
    record.linkTail = "KASA\tTCP:0:host:4001:KASA:5:0";
    EXPECT_EQ(diagnoseFailedRequest(record, 62, true), "") << "a TCP link has no device";
}

TEST_F(ConnectionDiagnosisTest, NamesWhatStandsAtThePath)
{
    kelvo::test::writeFile(dir_.file("plik"), "");
    ASSERT_EQ(::symlink(dir_.file("odlaczony").c_str(), dir_.file("by-id").c_str()), 0);
    EXPECT_EQ(diagnoseAt(dir_.file("brak")), "COM5 → " + dir_.file("brak")
            + ": nie ma takiego pliku (urządzenie odłączone albo źle wskazane)");
    EXPECT_EQ(diagnoseAt(dir_.file("by-id")),
        "COM5 → " + dir_.file("by-id") + ": dowiązanie prowadzi do urządzenia, którego nie ma (odłączone?)");
    EXPECT_EQ(diagnoseAt(dir_.file("plik")), "COM5 → " + dir_.file("plik") + ": to zwykły plik, nie port szeregowy");
    EXPECT_EQ(diagnoseAt(dir_.path()), "COM5 → " + dir_.path() + ": to folder, nie port szeregowy");
    EXPECT_EQ(diagnoseAt("/dev/null"), "COM5 → /dev/null: urządzenie nie jest portem szeregowym");
}

TEST_F(ConnectionDiagnosisTest, SilentPortIsNoAnswerAtTheSpeed)
{
    const PtyPair pty;
    EXPECT_EQ(diagnoseAt(pty.slavePath(), 21, 19200), "COM5 → " + pty.slavePath()
            + ": kasa nie odpowiada przy szybkości 19200 (sprawdź kabel, zasilanie kasy i ustawioną w niej szybkość)");
}

TEST_F(ConnectionDiagnosisTest, BusyPortNamesTheProgramHoldingIt)
{
    const PtyPair pty;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ::flock(fd, LOCK_EX);
        ::close(ready[0]);
        ::close(ready[1]);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    readAll(ready[0]);
    ::close(ready[0]);
    const std::string line = diagnoseAt(pty.slavePath());
    std::string program;
    std::getline(std::ifstream("/proc/" + std::to_string(holder) + "/comm"), program);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(line,
        "COM5 → " + pty.slavePath() + ": zajęty przez inny program (" + program + ", PID " + std::to_string(holder) + ")");
}

TEST_F(ConnectionDiagnosisTest, PortWithoutPermissionTellsToJoinTheGroup)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "only root can become another user here";
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr)
        GTEST_SKIP() << "this machine has no dialout group";
    const PtyPair pty;
    ASSERT_EQ(::chown(pty.slavePath().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(pty.slavePath().c_str(), 0660), 0);
    const ScopedEnv com5("KELVO_COM5", pty.slavePath());
    const auto line = kelvo::test::answerAsNobody([] { return diagnoseConnection(5, 9600, 62); });
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "COM5 → " + pty.slavePath()
            + ": brak uprawnień; dodaj użytkownika do grupy dialout (sudo usermod -aG dialout $USER) i zaloguj się ponownie");
}
