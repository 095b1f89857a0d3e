// Autodetection against simulated registers on pseudo-terminals set to their
// own speeds, among decoys: a regular file, a silent line, a busy device and
// one this user may not open.
#include "frontend/logic/register_detection.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/port_map.h"
#include "tests/support/other_user.h"
#include "tests/support/pty_pair.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

using namespace kelvo::frontend;
using kelvo::test::readFile;
using kelvo::test::writeFile;
namespace fs = std::filesystem;

namespace {

class RegisterDetectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::create_directories(dir_.file("root/dev/serial/by-id"));
        fs::create_directories(dir_.file("work"));
        fs::current_path(dir_.file("work"));
        events_.trying = [this](const std::string& device, std::int32_t speed) {
            tries_.push_back(fs::path(device).filename().string() + " " + std::to_string(speed));
        };
        events_.skipped = [this](const std::string& device, const std::string& reason) {
            skipped_.push_back(fs::path(device).filename().string() + ": " + reason);
        };
        events_.cancelled = [] { return false; };
    }
    void TearDown() override { fs::current_path(previous_); }

    // A register on a pseudo-terminal set to speed, reached as the device dev/name.
    void registerAt(const std::string& name, int speed)
    {
        const std::string line = dir_.file("line-" + name);
        simulators_.push_back(std::make_unique<kelvo::test::SimulatorProcess>(KELVOSIM_PATH,
            std::vector<std::string> {"--pty", line, "--scenario", std::string(KELVOSIM_SCENARIOS) + "/orvan-month.json",
                "--line-speed", std::to_string(speed)},
            dir_.file("sim-" + name + ".out")));
        ASSERT_TRUE(simulators_.back()->listening());
        fs::create_symlink(line, device(name));
    }
    std::string device(const std::string& name) const { return dir_.file("root/dev/" + name); }

    // What this process has open that leads to the path.
    int descriptorsOpenTo(const std::string& path) const
    {
        int open = 0;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            if (fs::equivalent(entry.path(), path, error))
                ++open;
        }
        return open;
    }

    kelvo::test::TempDir dir_;
    fs::path previous_;
    kelvo::test::ScopedEnv root_ {"KELVO_DEVICE_ROOT", dir_.file("root")};
    kelvo::test::ScopedEnv config_ {"XDG_CONFIG_HOME", dir_.file("config")};
    std::vector<std::unique_ptr<kelvo::test::SimulatorProcess>> simulators_;
    DetectionEvents events_;
    std::vector<std::string> tries_;
    std::vector<std::string> skipped_;
    const ConnectionChoice choice_ {2, 0, 0, 0};
};

// Holds the device open and locked from another process, as a running program does.
class DeviceHolder {
public:
    explicit DeviceHolder(const std::string& path)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
            ::flock(fd, LOCK_EX);
            ::close(ready[1]);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char done = 0;
        (void)::read(ready[0], &done, 1);
        ::close(ready[0]);
    }
    ~DeviceHolder()
    {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

}

TEST_F(RegisterDetectionTest, FindsTheFirstRegisterAmongDecoysFastestSpeedFirstAndLeavesNothingOpen)
{
    writeFile(device("ttyUSB0"), "");
    const kelvo::test::PtyPair silent;
    fs::create_symlink(silent.slavePath(), device("ttyUSB1"));
    fs::create_symlink("../../ttyUSB1", device("serial/by-id/usb-silent-port0"));
    const kelvo::test::PtyPair held;
    fs::create_symlink(held.slavePath(), device("ttyUSB2"));
    const DeviceHolder holder(held.slavePath());
    registerAt("ttyUSB3", 19200);
    registerAt("ttyACM0", 57600);
    writeFile("KONFIG.TXT", "$1\tCOM4:9600:MUX0:1\t5\tKELVO\r\n");

    const Detection found = detectRegister(choice_, kelvo::platform::serialDevices(), events_);

    ASSERT_EQ(found.outcome, DetectionOutcome::Found);
    EXPECT_EQ(found.device, device("ttyUSB3"));
    EXPECT_EQ(kSpeeds[static_cast<std::size_t>(found.speedItem)], 19200);
    EXPECT_EQ(found.port, 2);
    EXPECT_EQ(found.registerNumber, 1);
    EXPECT_EQ(tries_, (std::vector<std::string> {"usb-silent-port0 57600", "usb-silent-port0 28800",
                          "usb-silent-port0 19200", "usb-silent-port0 9600", "ttyUSB3 57600", "ttyUSB3 28800",
                          "ttyUSB3 19200"}))
        << "the by-id link stands for its device, which is not tried again; the search stops at the first register";
    ASSERT_EQ(skipped_.size(), 2u);
    EXPECT_EQ(skipped_[0], "ttyUSB0: to zwykły plik, nie port szeregowy");
    EXPECT_NE(skipped_[1].find("ttyUSB2: zajęty przez inny program"), std::string::npos) << skipped_[1];
    EXPECT_NE(skipped_[1].find("PID " + std::to_string(holder.pid())), std::string::npos) << skipped_[1];

    EXPECT_EQ(readFile(dir_.file("config/kelvor/ports.conf")), "COM2=" + device("ttyUSB3") + "\n");
    EXPECT_EQ(readFile("KONFIG.TXT"), "$1\tCOM4:9600:MUX0:1\t5\tKELVO\r\n") << "the tries' lines are not kept";
    EXPECT_FALSE(fs::exists("out"));
    for (const std::string& path : {silent.slavePath(), held.slavePath(), device("ttyUSB3"), device("ttyACM0")})
        EXPECT_EQ(descriptorsOpenTo(path), 0) << path;
}

TEST_F(RegisterDetectionTest, ARegisterOnADeviceAPortLeadsToKeepsThatPortAndTheMap)
{
    registerAt("ttyUSB0", 57600);
    fs::create_directories(dir_.file("config/kelvor"));
    const std::string map = "COM7=" + device("ttyUSB0") + "\nLPT1=/dev/lp0\n";
    writeFile(dir_.file("config/kelvor/ports.conf"), map);

    const Detection found = detectRegister(choice_, kelvo::platform::serialDevices(), events_);

    ASSERT_EQ(found.outcome, DetectionOutcome::Found);
    EXPECT_EQ(found.port, 7);
    EXPECT_EQ(tries_, (std::vector<std::string> {"ttyUSB0 57600"}));
    EXPECT_EQ(readFile(dir_.file("config/kelvor/ports.conf")), map);
}

TEST_F(RegisterDetectionTest, StoppingOrFindingNothingPutsTheMapTheConfigurationAndTheVariableBack)
{
    const kelvo::test::PtyPair silent;
    fs::create_symlink(silent.slavePath(), device("ttyUSB0"));
    fs::create_directory(device("ttyUSB1"));
    fs::create_directories(dir_.file("config/kelvor"));
    writeFile(dir_.file("config/kelvor/ports.conf"), "COM2=/dev/ttyS9\n");
    const kelvo::test::ScopedEnv variable("KELVO_COM2", "/dev/ttyS8");

    int asked = 0;
    // Asked before the device and before each speed: stopped once the first try has been made.
    events_.cancelled = [&asked] { return ++asked > 2; };
    const Detection stopped = withPortVariableSetAside(
        choice_.port, [this] { return detectRegister(choice_, kelvo::platform::serialDevices(), events_); });
    EXPECT_EQ(stopped.outcome, DetectionOutcome::Cancelled);
    EXPECT_EQ(tries_, (std::vector<std::string> {"ttyUSB0 57600"}));
    EXPECT_EQ(readFile(dir_.file("config/kelvor/ports.conf")), "COM2=/dev/ttyS9\n");
    EXPECT_FALSE(fs::exists("KONFIG.TXT")) << "there was none before";
    EXPECT_EQ(kelvo::platform::portDevicePath("COM2"), "/dev/ttyS8");
    EXPECT_EQ(descriptorsOpenTo(silent.slavePath()), 0);

    fs::remove(device("ttyUSB0"));
    events_.cancelled = [] { return false; };
    tries_.clear();
    const Detection nothing = detectRegister(choice_, kelvo::platform::serialDevices(), events_);
    EXPECT_EQ(nothing.outcome, DetectionOutcome::NotFound);
    EXPECT_EQ(nothing.devicesTried, 0);
    EXPECT_TRUE(tries_.empty());
    EXPECT_EQ(skipped_.back(), "ttyUSB1: to folder, nie port szeregowy");
    EXPECT_EQ(detectionSpeedsText(), "57600, 28800, 19200 i 9600 b/s") << "as the failure message names them";
    EXPECT_EQ(readFile(dir_.file("config/kelvor/ports.conf")), "COM2=/dev/ttyS9\n");
}

TEST_F(RegisterDetectionTest, TheSearchLeavesTheEnvironmentAloneAndAVariableSetAsideAroundItStaysDroppedWhenFound)
{
    registerAt("ttyUSB0", 57600);
    const kelvo::test::ScopedEnv variable("KELVO_COM2", dir_.file("no-such-device"));

    // The search runs beside the window: it reads the environment but never changes it.
    const Detection overruled = detectRegister(choice_, kelvo::platform::serialDevices(), events_);
    EXPECT_EQ(overruled.outcome, DetectionOutcome::NotFound) << "the variable counts over the map line tried";
    ASSERT_NE(std::getenv("KELVO_COM2"), nullptr);
    EXPECT_EQ(std::getenv("KELVO_COM2"), dir_.file("no-such-device"));

    const Detection found = withPortVariableSetAside(choice_.port, [this] {
        EXPECT_EQ(std::getenv("KELVO_COM2"), nullptr) << "set aside while the search runs";
        return detectRegister(choice_, kelvo::platform::serialDevices(), events_);
    });
    ASSERT_EQ(found.outcome, DetectionOutcome::Found);
    EXPECT_EQ(found.port, 2);
    EXPECT_EQ(std::getenv("KELVO_COM2"), nullptr) << "the port now leads to the register through the map";
    EXPECT_EQ(kelvo::platform::portDevicePath("COM2"), device("ttyUSB0"));
}

TEST_F(RegisterDetectionTest, ADeviceThisUserMayNotOpenIsSkippedWithTheGroupToJoin)
{
    if (!kelvo::test::canActAsAnotherUser())
        GTEST_SKIP() << "only root can become another user here";
    const kelvo::test::PtyPair closed;
    ASSERT_EQ(::chmod(closed.slavePath().c_str(), 0600), 0);
    fs::create_symlink(closed.slavePath(), device("ttyUSB0"));
    registerAt("ttyUSB1", 57600);
    const std::string line = fs::read_symlink(dir_.file("line-ttyUSB1")).string();
    ASSERT_EQ(::chmod(line.c_str(), 0666), 0);
    const std::string shared = kelvo::test::sharedFolderIn(dir_.path(), "shared");
    const kelvo::test::ScopedEnv config("XDG_CONFIG_HOME", shared + "/config");

    const auto report = kelvo::test::answerAsNobody(
        [this] {
            const Detection found = detectRegister(choice_, kelvo::platform::serialDevices(), events_);
            std::string text = found.outcome == DetectionOutcome::Found ? found.device + "\n" : "none\n";
            for (const std::string& skip : skipped_)
                text += skip + "\n";
            return text;
        },
        shared);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->substr(0, report->find('\n')), device("ttyUSB1"));
    // The advice names the pseudo-terminal's own group; where that is root's, the administrator is the one to ask.
    struct stat st {};
    ASSERT_EQ(::stat(closed.slavePath().c_str(), &st), 0);
    const group* owner = ::getgrgid(st.st_gid);
    const std::string advice = st.st_gid == 0 ? "urządzenie należy do grupy root, do której nie należy dopisywać użytkowników"
                                               : std::string("urządzenie należy do grupy ") + (owner ? owner->gr_name : "?")
            + ": dodaj użytkownika do tej grupy";
    EXPECT_NE(report->find("ttyUSB0: brak uprawnień; " + advice), std::string::npos) << *report;
}
