#include "frontend/logic/connection_diagnosis.h"

#include <kelvo/kelvodrv_contract.h>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/loopback_ends.h"
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
    std::string diagnoseAt(const std::string& path, int code = KELVODRV_RESULT_PORT_NOT_OPENED, int speed = 9600)
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
    EXPECT_NE(diagnoseFailedRequest(record, KELVODRV_RESULT_PORT_NOT_OPENED, false), "");
    EXPECT_NE(diagnoseFailedRequest(record, KELVODRV_RESULT_RECEIVE_TIMEOUT, true), "");
    EXPECT_NE(diagnoseFailedRequest(record, KELVODRV_RESULT_SEND_TIMEOUT, true), "");
    EXPECT_EQ(diagnoseFailedRequest(record, KELVODRV_RESULT_RECEIVE_TIMEOUT, false), "") << "a later time-out is no sign of a silent line";
    for (const int code : {0, 6, 16, 22, 49})
        EXPECT_EQ(diagnoseFailedRequest(record, code, true), "") << code;
    record.linkPort = "COM5:9600:MUX7:1";
    record.linkTail = "KASA\tABCDEFGH:5:3";
    EXPECT_NE(diagnoseFailedRequest(record, KELVODRV_RESULT_PORT_NOT_OPENED, true), "") << "a converter on the serial line";
    record.linkPort = "COM5:9600:MUX6:0";
    record.linkTail = "KASA\tTCP:0:127.0.0.1:" + std::to_string(kelvo::test::closedLoopbackPort()) + ":KASA:5:0";
    EXPECT_EQ(diagnoseFailedRequest(record, KELVODRV_RESULT_PORT_NOT_OPENED, true).find("COM5"), std::string::npos) << "a TCP link has no device";
    for (const int code : {KELVODRV_RESULT_SUCCESS, 6, KELVODRV_RESULT_SEND_TIMEOUT, KELVODRV_RESULT_RECEIVE_TIMEOUT, 49})
        EXPECT_EQ(diagnoseFailedRequest(record, code, true), "") << code;
    EXPECT_EQ(diagnoseFailedRequest(record, KELVODRV_RESULT_SOCKET_TIMEOUT, false), "") << "a later time-out is no sign of a silent far end";
}

TEST_F(ConnectionDiagnosisTest, AFailedTcpLinkNamesItsHostPortAndCause)
{
    kelvo::frontend::ParameterRecord record;
    const int closed = kelvo::test::closedLoopbackPort();
    record.linkPort = "COM1:9600:MUX6:0";
    // A line written by hand: only the host, port and time-out fields matter.
    record.linkTail = "MOJA KASA\tnet:7:127.0.0.1:" + std::to_string(closed) + ":cokolwiek:2:0";
    for (const int code : {KELVODRV_RESULT_PORT_NOT_OPENED, KELVODRV_RESULT_SOCKET_FAILURE})
        EXPECT_EQ(diagnoseFailedRequest(record, code, true), "TCP 127.0.0.1:" + std::to_string(closed) + ": połączenie odrzucone");

    const kelvo::test::SilentListener silent;
    record.linkTail = "KASA\tTCP:0:127.0.0.1:" + std::to_string(silent.port()) + ":KASA:1:0";
    EXPECT_EQ(diagnoseFailedRequest(record, KELVODRV_RESULT_PORT_NOT_OPENED, true), "TCP 127.0.0.1:" + std::to_string(silent.port()) + ": brak odpowiedzi w 1 s");

    // A converter behind a link set up as a plain connection keeps quiet to the register's requests.
    EXPECT_NE(diagnoseFailedRequest(record, KELVODRV_RESULT_SOCKET_TIMEOUT, true).find("połączono, ale odpowiedź kasy nie przyszła w 1 s; jeśli po drugiej "
                                                            "stronie jest konwerter linii"),
        std::string::npos);
    record.linkPort = "COM1:9600:MUX5:1";
    EXPECT_NE(diagnoseFailedRequest(record, KELVODRV_RESULT_SOCKET_TIMEOUT, true).find("konwerter nie odpowiedział w 1 s"), std::string::npos);
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
    EXPECT_EQ(diagnoseAt(pty.slavePath(), KELVODRV_RESULT_RECEIVE_TIMEOUT, 19200), "COM5 → " + pty.slavePath()
            + ": kasa nie odpowiada przy szybkości 19200 (sprawdź kabel, zasilanie kasy i ustawioną w niej szybkość)");
}

namespace {

// A child that holds the device open, with an exclusive flock or none, until it is killed.
class Holder {
public:
    Holder(const std::string& path, bool locks)
    {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
            if (locks)
                ::flock(fd, LOCK_EX);
            ::close(ready[0]);
            ::close(ready[1]);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        readAll(ready[0]);
        ::close(ready[0]);
        std::getline(std::ifstream("/proc/" + std::to_string(pid_) + "/comm"), program_);
    }
    ~Holder()
    {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    std::string named() const { return "(" + program_ + ", PID " + std::to_string(pid_) + ")"; }

private:
    pid_t pid_ = -1;
    std::string program_;
};

}

TEST_F(ConnectionDiagnosisTest, BusyPortNamesTheProgramHoldingIt)
{
    const PtyPair pty;
    const Holder holder(pty.slavePath(), true);
    EXPECT_EQ(diagnoseAt(pty.slavePath()), "COM5 → " + pty.slavePath() + ": zajęty przez inny program " + holder.named());
}

TEST_F(ConnectionDiagnosisTest, AProgramHoldingThePortWithoutALockIsNamedRatherThanASilentRegister)
{
    const PtyPair pty;
    const Holder holder(pty.slavePath(), false);
    for (const int code : {KELVODRV_RESULT_RECEIVE_TIMEOUT, KELVODRV_RESULT_PORT_NOT_OPENED})
        EXPECT_EQ(diagnoseAt(pty.slavePath(), code), "COM5 → " + pty.slavePath() + ": otwarty jednocześnie przez inny program "
                + holder.named() + ", który przejmuje odpowiedzi kasy; zamknij go");
}

TEST_F(ConnectionDiagnosisTest, PortWithoutPermissionNamesItsGroupAndRootsGroupGoesToTheAdministrator)
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
    const auto line = kelvo::test::answerAsNobody([] { return diagnoseConnection(5, 9600, KELVODRV_RESULT_PORT_NOT_OPENED); });
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "COM5 → " + pty.slavePath() + ": brak uprawnień; urządzenie należy do grupy dialout: dodaj użytkownika "
            "do tej grupy (sudo usermod -aG dialout $USER) i zaloguj się ponownie");

    ASSERT_EQ(::chown(pty.slavePath().c_str(), 0, 0), 0);
    const auto rootGroup = kelvo::test::answerAsNobody([] { return diagnoseConnection(5, 9600, KELVODRV_RESULT_PORT_NOT_OPENED); });
    ASSERT_TRUE(rootGroup);
    EXPECT_EQ(rootGroup->find("dodaj użytkownika"), std::string::npos) << *rootGroup;
    EXPECT_EQ(rootGroup->find("usermod"), std::string::npos) << *rootGroup;
    EXPECT_NE(rootGroup->find("poproś administratora o dostęp do niego albo o zainstalowanie reguły udev"), std::string::npos)
        << *rootGroup;
}
