#include "driver/files/configuration.h"

#include "driver/files/textfile.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "tests/driver/context_fixture.h"

using namespace kelvo::drv;
using kelvo::test::writeFile;

namespace {

class ConfigurationTest : public kelvo::test::DriverTest {
protected:
    std::uint8_t read(const std::string& contents, std::uint8_t registerNumber = 1)
    {
        writeFile("KONFIG.TXT", contents);
        closeFile(ctx.files.configuration);
        EXPECT_TRUE(openFile(ctx.files.configuration, "KONFIG.TXT", 0));
        ctx.paths.configuration = "KONFIG.TXT";
        ctx.registerNumber = registerNumber;
        ctx.outcome = {};
        readConfiguration();
        return ctx.outcome.resultCode;
    }
};

}

TEST_F(ConfigurationTest, PortSpecifications)
{
    struct Case {
        const char* field;
        bool valid;
        std::uint8_t port = 0;
        std::uint32_t speed = 0;
        std::uint8_t type = 0;
        std::uint8_t channel = 0;
    };
    const Case cases[] = {
        {"COM1:9600:MUX0:1", true, 1, 9600, 0, 1},
        {"com1:9600:mux0:1", true, 1, 9600, 0, 1},
        {"  COM255:115200:MUX1:4 ; comment", true, 255, 115200, 1, 4},
        {"COM1:9600:MUX0:0", true, 1, 9600, 0, 1},
        {"COM2:9600:MUX8:16", true, 2, 57600, 8, 2},
        {"COM01:9600:MUX0:1", false},
        {"COM0:9600:MUX0:1", false},
        {"COM256:9600:MUX0:1", false},
        {"COM1:9600:MUX0:1:5", false},
        {"COM1:9600:MUX00:1", false},
        {"COM1::MUX0:1", false},
        {"COM1:0:MUX0:1", false},
        {"COM1:115201:MUX0:1", false},
        {"COM1:9600:MUX0:2", false},
        {"COM1:9600:MUX2:0", false},
        {"COM1:9600:MUX8:17", false},
        {"COM1:9600:MUX9:1", false},
        {"COM1:9600:MUX9:0", false},
        {"COM1:28800:MUX2:1", false},
        {"COM1:28800:MUX5:1", true, 1, 28800, 5, 1},
        {"COM1:14400:MUX5:1", false},
        {"COM1 9600 MUX0 1", false},
    };
    for (const Case& c : cases) {
        ConnectionSettings connection;
        LinkRoute route;
        connection.portNumber = 77;
        EXPECT_EQ(checkPortSpecification(c.field, connection, route), c.valid) << c.field;
        if (!c.valid) {
            EXPECT_EQ(connection.portNumber, 77) << "a refused field changes nothing";
            continue;
        }
        EXPECT_EQ(connection.portNumber, c.port) << c.field;
        EXPECT_EQ(connection.speed, c.speed) << c.field;
        EXPECT_EQ(connection.multiplexerType, c.type) << c.field;
        EXPECT_EQ(connection.channel, c.channel) << c.field;
    }
}

TEST_F(ConfigurationTest, DerivedSettingsByMultiplexerType)
{
    ConnectionSettings c;
    LinkRoute route;
    ASSERT_TRUE(checkPortSpecification("COM3:19200:MUX2:5", c, route));
    EXPECT_EQ(route.kind, LinkKind::ConverterSerial);
    EXPECT_TRUE(route.extendedSettings);
    EXPECT_EQ(c.speed, 57600u) << "a converter line runs the port at 57600";
    EXPECT_EQ(c.channel, 2);
    EXPECT_EQ(c.lineSpeed, 19200u);
    EXPECT_EQ(c.lineChannel, 5);
    EXPECT_EQ(c.lineParity, 0);

    ASSERT_TRUE(checkPortSpecification("COM1:9600:MUX1:3", c, route));
    EXPECT_EQ(route.kind, LinkKind::Serial);
    EXPECT_EQ(route.channelSwitching, 1);
    EXPECT_TRUE(route.channelSelect);
    EXPECT_EQ(c.lineParity, 2);

    ASSERT_TRUE(checkPortSpecification("COM1:9600:MUX6:0", c, route));
    EXPECT_EQ(route.kind, LinkKind::Tcp);
    EXPECT_FALSE(route.channelSelect) << "channel 0 selects nothing";
    EXPECT_EQ(c.channel, 1);

    ASSERT_TRUE(checkPortSpecification("COM4:57600:MUX7:4", c, route));
    EXPECT_EQ(route.channelSwitching, 1);
    EXPECT_EQ(c.lineSpeed, 9600u);
    EXPECT_EQ(c.speed, 57600u);

    ASSERT_TRUE(checkPortSpecification("COM1:9600:MUX3:8", c, route));
    EXPECT_EQ(route.channelSwitching, 3);
    ASSERT_TRUE(checkPortSpecification("COM1:9600:MUX4:8", c, route));
    EXPECT_EQ(route.channelSwitching, 2);
}

TEST_F(ConfigurationTest, LinesForTheRegister)
{
    EXPECT_EQ(read("$1\tCOM1:9600:MUX0:1\t3\tKELVO\r\n"), 0);
    EXPECT_EQ(ctx.headers.line[2], "KELVO (identyfikator z pliku KONFIG.TXT)");
    EXPECT_EQ(ctx.connection.writeTimeout, 3u);
    EXPECT_EQ(ctx.connection.readTimeout, 3u);

    EXPECT_EQ(read("$1\tCOM1:9600:MUX0:1\t3\r\n$2\tCOM2:9600:MUX0:1\t3\r\n", 3), 14);
    EXPECT_EQ(read(";only a comment\r\n\r\n"), 13);
    EXPECT_EQ(read("#1\tCOM1:9600:MUX0:1\t3\r\n"), 16);
    EXPECT_EQ(read("$x\tCOM1:9600:MUX0:1\t3\r\n$1\tCOM1:9600:MUX0:1\t3\r\n"), 16) << "every line's field 1 must be a byte";
    EXPECT_EQ(read("$1\tCOM1:9600:MUX0:1\t70000\r\n$1\tCOM1:9600:MUX0:1\t3\r\n"), 16);
    EXPECT_EQ(read("$2\tbad\r\n$1\tCOM1:9600:MUX0:1\t65535\r\n"), 0) << "other registers' lines are not checked";
    EXPECT_EQ(ctx.connection.readTimeout, 65535u);
    EXPECT_EQ(read("$1\tCOM1:9600:MUX0:1\r\n"), 16) << "the time-out is required";
}

TEST_F(ConfigurationTest, ExtendedSettingsByLinkKind)
{
    EXPECT_EQ(read("$1\tCOM1:9600:MUX2:3\t3\tCONV\tp:ABCDEFGH:7:9:4\r\n"), 0);
    EXPECT_EQ(ctx.connection.converterMode, 'P');
    EXPECT_EQ(ctx.connection.linkIdentifier, "ABCDEFGH");
    EXPECT_EQ(ctx.connection.extendedTimeout, 9u);
    EXPECT_EQ(ctx.connection.readTimeout, 3u) << "the line's own time-out stays for the port";
    EXPECT_EQ(ctx.connection.linkParameter, 4);
    EXPECT_EQ(ctx.headers.line[2], "CONV (identyfikator z pliku KONFIG.TXT)\tp:ABCDEFGH:7:9:4");

    EXPECT_EQ(read("$1\tCOM1:9600:MUX2:3\t3\tCONV\tX:ABCDEFGH:7:9:4\r\n"), 16) << "P or T";
    EXPECT_EQ(read("$1\tCOM1:9600:MUX2:3\t3\tCONV\tT:ABCDEFG:7:9:4\r\n"), 16) << "eight characters";
    EXPECT_EQ(read("$1\tCOM1:9600:MUX2:3\t3\t\tT:ABCDEFGH:7:9:4\r\n"), 16) << "the identifier is required";
    EXPECT_EQ(read("$1\tCOM1:9600:MUX2:3\t3\tCONV\r\n"), 16) << "the field is required";

    EXPECT_EQ(read("$1\tCOM1:57600:MUX5:2\t3\tNET\tx:1:127.0.0.1:4001:ABCDEFGH:5:3\r\n"), 0);
    EXPECT_EQ(ctx.connection.host, "127.0.0.1");
    EXPECT_EQ(ctx.connection.tcpPort, 4001u);
    EXPECT_EQ(ctx.connection.extendedTimeout, 5u);
    EXPECT_EQ(ctx.connection.lineSpeed, 57600u);
    EXPECT_EQ(read("$1\tCOM1:57600:MUX5:2\t3\tNET\tx:1:127.0.0.1:70000:ABCDEFGH:5:3\r\n"), 16);
    EXPECT_EQ(read("$1\tCOM1:9600:MUX6:0\t3\t\tx:1:host:4001:id:5:3\r\n"), 0)
        << "type 6 needs no identifier and takes any link identifier";
    EXPECT_EQ(ctx.headers.line[2], "Kelvo (identyfikator domyslny)");

    EXPECT_EQ(read("$1\tCOM1:9600:MUX7:2\t3\tCH\tABCDEFGH:6:2\r\n"), 0);
    EXPECT_EQ(ctx.connection.extendedTimeout, 6u);
    EXPECT_EQ(read("$1\tCOM1:9600:MUX7:2\t3\tCH\tABCDEFGH:6:256\r\n"), 16);
}

TEST(ResultCodes, ConditionsMapToResultCodes)
{
    const LineErrorFlags none;
    const std::pair<int, int> table[] = {{0, 0}, {19, 19}, {77, 77}, {78, 101}, {82, 105}, {83, 107}, {94, 118},
        {95, 200}, {107, 212}, {108, 215}, {109, 217}, {110, 220}, {122, 232}, {123, 234}, {124, 124}, {255, 255}};
    for (const auto& [condition, code] : table)
        EXPECT_EQ(resultCodeFor(static_cast<std::uint8_t>(condition), none), code) << condition;

    for (const std::uint8_t timeout : {condition::TransmitTimeout, condition::ReceiveTimeout}) {
        EXPECT_EQ(resultCodeFor(timeout, none), timeout);
        EXPECT_EQ(resultCodeFor(timeout, {true, true, true}), 49);
        EXPECT_EQ(resultCodeFor(timeout, {false, true, true}), 50);
        EXPECT_EQ(resultCodeFor(timeout, {false, false, true}), 51);
    }
    EXPECT_EQ(resultCodeFor(condition::PortOpen, {true, true, true}), 62) << "only time-outs are refined";
}
