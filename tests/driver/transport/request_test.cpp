#include <kelvo/kelvodrv.h>

#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/driver/register_fixture.h"

using kelvo::test::logLines;
using kelvo::test::readFile;
using kelvo::test::SimulatorProcess;
using kelvo::test::writeFile;

namespace {

class RequestTest : public kelvo::test::RegisterTest {
protected:
    void oneSecondTimeOut() { writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX0:1\t1\tKELVO\r\n"); }

    std::string runReport() { return readFile("RAPORT.TXT"); }
};

// A TCP port on the loopback address that accepts connections and never
// answers, or refuses them once closed.
class SilentListener {
public:
    SilentListener()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        ::listen(fd_, 4);
        socklen_t size = sizeof(address);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { close(); }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

std::string tcpConfiguration(const std::string& host, int port)
{
    return "$1\tCOM1:9600:MUX5:1\t2\tNET\tx:1:" + host + ":" + std::to_string(port) + ":ABCDEFGH:1:3\r\n";
}

}

TEST_F(RequestTest, NoAnswerIsRetriedOnlyInThePrelude)
{
    oneSecondTimeOut();
    startRegister({"--model", "121", "--fault", "silent:29:1", "--fault", "silent:84"});
    EXPECT_EQ(OStatus("IN", "out.txt"), 21);
    EXPECT_EQ(requests("29").size(), 4u) << "the first block request was answered at its second attempt";
    EXPECT_EQ(requests("84").size(), 1u) << "a command's own request gets one attempt";
    EXPECT_NE(runReport().find("#21\r\n"), std::string::npos);
}

TEST_F(RequestTest, LaterPreludeRequestsGetFourAttempts)
{
    oneSecondTimeOut();
    startRegister({"--model", "121", "--fault", "silent:111"});
    EXPECT_EQ(ONrKasy("IN", "out"), 21);
    EXPECT_EQ(requests("111").size(), 4u);
    EXPECT_NE(readFile("out").find("#\r\n#KELVO (identyfikator z pliku KONFIG.TXT)\r\n"), std::string::npos)
        << "the output file starts with its header lines after a failed identification";
}

TEST_F(RequestTest, RegisterFaultsEndInTheirCodes)
{
    startRegister({"--model", "128", "--fault", "nak:192:1", "--fault", "garbage:192:3:1"});
    EXPECT_EQ(ONrKasy("IN", "out"), 24);
    EXPECT_EQ(requests("192").size(), 1u) << "NAK is not retried";
    EXPECT_EQ(ONrKasy("IN", "out"), 23);
    EXPECT_EQ(ONrKasy("IN", "out"), 0);
    simulator_.reset();

    std::remove(log().c_str());
    startRegister({"--model", "121", "--fault", "status:29:134:1"});
    EXPECT_EQ(ONrKasy("IN", "out"), 234);
    EXPECT_EQ(requests("29").size(), 3u) << "the register's error code is fetched with two requests";
    const std::string report = runReport();
    EXPECT_NE(report.find("\r\n$0001\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("#234\t; 0001\r\n"), std::string::npos) << report;
}

TEST_F(RequestTest, ThroughALineConverterOnTheSerialLine)
{
    writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX7:1\t2\tCONV\tABCDEFGH:2:3\r\n");
    startRegister({"--model", "121", "--converter", "--fault", "converter-crc:2"});
    EXPECT_EQ(ONrKasy("IN", "out"), 0) << readFile("RAPORT.TXT");
    EXPECT_TRUE(readFile("out").ends_with("\r\n$01\r\n"));
    EXPECT_EQ(logLines(log(), "converter=6").size(), 2u) << "each damaged answer was asked for again";
    simulator_.reset();

    writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX7:1\t2\tCONV\tABCDEFGH:2:1\r\n");
    startRegister({"--model", "121", "--converter", "--fault", "converter-crc:5"});
    EXPECT_EQ(ONrKasy("IN", "out"), 34) << "the repeat limit of the line is 1";
}

TEST_F(RequestTest, OverTcpToAConverter)
{
    const std::string output = dir_.file("tcp.out");
    SimulatorProcess tcp(KELVOSIM_PATH, {"--tcp", "127.0.0.1:0", "--converter", "--model", "121", "--log", log()}, output);
    ASSERT_TRUE(tcp.listening()) << readFile(output);
    writeFile("KONFIG.TXT", tcpConfiguration("localhost", tcp.tcpPort()));
    EXPECT_EQ(ONrUnik("IN", "out.txt"), 0) << readFile("RAPORT.TXT");
    EXPECT_EQ(logLines(log(), "converter=9").size(), 1u) << "the converter's line speed is set once per open";
    EXPECT_NE(readFile("out.txt").find("$KLV 00121001\r\n"), std::string::npos);
}

TEST_F(RequestTest, TcpFailures)
{
    SilentListener silent;
    writeFile("KONFIG.TXT", tcpConfiguration("127.0.0.1", silent.port()));
    EXPECT_EQ(ONrKasy("IN", "out"), 64);

    silent.close();
    EXPECT_EQ(ONrKasy("IN", "out"), 65) << "a refused connection";

    writeFile("KONFIG.TXT", tcpConfiguration(std::string(70, 'x') + ".invalid", 4001));
    EXPECT_EQ(ONrKasy("IN", "out"), 67);
}

TEST_F(RequestTest, AnswersInPartsAndBrokenAnswers)
{
    writeFile("KONFIG.TXT", "$1\tCOM7:9600:MUX7:1\t1\tCONV\tABCDEFGH:1:3\r\n");
    startRegister({"--model", "121", "--converter", "--fault", "converter-parts:100"});
    EXPECT_EQ(ONrUnik("IN", "out.txt"), 0) << readFile("RAPORT.TXT");
    EXPECT_FALSE(logLines(log(), "converter=8").empty()) << "the second part was asked for";
    EXPECT_TRUE(readFile("out.txt").ends_with("\r\n$KLV 00121001\r\n")) << "and appended to the first";
    simulator_.reset();

    // Bytes dropped from or added to an answer end the request with a code.
    std::remove(log().c_str());
    oneSecondTimeOut();
    startRegister({"--model", "121", "--fault", "drop:29:40:1", "--fault", "garbage:91:200:1"});
    EXPECT_EQ(ONrKasy("IN", "out"), 0) << "a short answer times out and is asked again in the prelude";
    EXPECT_EQ(requests("29").size(), 4u);
    EXPECT_EQ(OStatus("IN", "out.txt"), 23) << "noise before the answer is a wrong answer";
    EXPECT_EQ(OStatus("IN", "out.txt"), 0);
}
