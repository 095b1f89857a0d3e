#include "platform/message_bus.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "tests/support/temp_dir.h"

using namespace kelvo::platform;

namespace {

class BusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = dir_.file("bus");
        ::setenv("KELVO_BUS_DIR", folder_.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KELVO_BUS_DIR"); }

    kelvo::test::TempDir dir_;
    std::string folder_;
};

std::string run(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[256];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        output += buffer;
    ::pclose(pipe);
    return output;
}

}

TEST_F(BusTest, BroadcastReachesEveryOtherParticipantButNotTheSender)
{
    MessageBus sender;
    MessageBus first;
    MessageBus second;
    ASSERT_TRUE(sender.join());
    ASSERT_TRUE(first.join());
    ASSERT_TRUE(second.join());

    struct stat st {};
    ASSERT_EQ(::stat(folder_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const BusMessage message {0xC123, 4242, 17 * 256 + 'L'};
    EXPECT_TRUE(sender.broadcast(message));
    EXPECT_EQ(first.receive(1000), message);
    EXPECT_EQ(second.receive(1000), message);
    EXPECT_FALSE(sender.receive(50).has_value());
    EXPECT_FALSE(first.receive(0).has_value());
}

TEST_F(BusTest, SocketsOfDeadParticipantsAreRemovedAndStrayDatagramsSkipped)
{
    MessageBus listener;
    ASSERT_TRUE(listener.join());

    // A socket file whose owner has gone: bound, then closed without unlinking.
    const std::string dead = folder_ + "/99999-0";
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", dead.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);

    MessageBus sender;
    EXPECT_TRUE(sender.broadcast({1, 2, 3}));
    EXPECT_FALSE(kelvo::test::fileExists(dead));
    EXPECT_EQ(listener.receive(1000), (BusMessage {1, 2, 3}));

    // A datagram of the wrong size is not a message: the next real one is read.
    const int stray = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        sockaddr_un to {};
        to.sun_family = AF_UNIX;
        std::snprintf(to.sun_path, sizeof(to.sun_path), "%s", entry.path().c_str());
        ::sendto(stray, "short", 5, 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    }
    ::close(stray);
    sender.broadcast({7, 8, 9});
    EXPECT_EQ(listener.receive(1000), (BusMessage {7, 8, 9}));
}

TEST_F(BusTest, StrayDatagramsDoNotStretchTheWait)
{
    MessageBus listener;
    ASSERT_TRUE(listener.join());
    const auto entry = *std::filesystem::directory_iterator(folder_);
    sockaddr_un to {};
    to.sun_family = AF_UNIX;
    std::snprintf(to.sun_path, sizeof(to.sun_path), "%s", entry.path().c_str());

    // Datagrams of the wrong size keep coming, one every 20 ms, for a while
    // far longer than the wait; the wait must end by its own deadline.
    std::atomic<bool> stop {false};
    std::atomic<bool> senderDone {false};
    std::thread sender([&] {
        const int stray = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        for (int k = 0; k < 1000 && !stop; ++k) {
            ::sendto(stray, "short", 5, 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::close(stray);
        senderDone = true;
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(listener.receive(200), std::nullopt);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(senderDone) << "the wait ended only when the stray datagrams stopped";
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    stop = true;
    sender.join();
}

TEST_F(BusTest, FolderOpenToOthersIsRefused)
{
    MessageBus listener;
    ASSERT_TRUE(listener.join());
    ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
    MessageBus bus;
    EXPECT_FALSE(bus.join());
    EXPECT_FALSE(bus.broadcast({1, 2, 3})) << "nothing is posted into the folder from outside the bus either";
    EXPECT_FALSE(listener.receive(100).has_value());
}

TEST_F(BusTest, ListeningTellsALiveSocketFromADeadOne)
{
    MessageBus server;
    MessageBus driver;
    ASSERT_TRUE(server.join());
    ASSERT_TRUE(driver.join());
    EXPECT_TRUE(server.broadcast({1, 2, 3}));
    std::string sender;
    ASSERT_TRUE(driver.receive(1000, &sender).has_value());
    EXPECT_EQ(sender.rfind(folder_ + "/", 0), 0u) << sender;
    EXPECT_TRUE(MessageBus::listening(sender));
    EXPECT_TRUE(driver.othersListening());
    server.leave();
    EXPECT_FALSE(MessageBus::listening(sender));
    EXPECT_FALSE(driver.othersListening());
}

TEST_F(BusTest, ShellToolListensAndPosts)
{
    const std::string tool = KELVOBUS_PATH;
    MessageBus watcher;
    ASSERT_TRUE(watcher.join());

    ASSERT_EQ(std::system((tool + " post 49664 77 --letter a --value 3").c_str()), 0);
    EXPECT_EQ(watcher.receive(1000), (BusMessage {49664, 77, 3 * 256 + 'a'}));

    // The listener prints what another participant posts; it runs in the
    // background until it has one message or its time-out passes.
    const std::string outputFile = folder_ + "-listen.txt";
    ASSERT_EQ(std::system((tool + " listen --count 1 --timeout 10 > " + outputFile + " &").c_str()), 0);
    bool heard = false;
    for (int attempt = 0; attempt < 100 && !heard; ++attempt) {
        ::usleep(50000);
        watcher.broadcast({5, 6, 12 * 256 + 'O'});
        heard = run("cat " + outputFile).find("letter=O value=12") != std::string::npos;
    }
    EXPECT_TRUE(heard) << run("cat " + outputFile);
    EXPECT_NE(std::system((tool + " post nonsense").c_str()), 0);
}
