#include "driver/transport/request.h"

#include <future>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/link.h"
#include "tests/driver/context_fixture.h"
#include "tests/support/pty_pair.h"

using namespace kelvo::drv;
using namespace std::chrono_literals;

namespace {

// The request engine against a far end played by the test on a pty.
class RequestEngineTest : public kelvo::test::DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        ctx.connection.portNumber = 8;
        ctx.connection.speed = 9600;
        ctx.connection.writeTimeout = 1;
        ctx.connection.readTimeout = 1;
        openLink();
        ASSERT_TRUE(ctx.link.open);
    }
    void TearDown() override
    {
        closeLink();
        DriverTest::TearDown();
    }

    // Runs the request while the far end reads what is sent and answers.
    std::string exchange(std::uint8_t command, std::uint8_t c, std::uint8_t b, std::uint8_t n, std::size_t sent,
        const std::string& answer)
    {
        auto farEnd = std::async(std::launch::async, [&] {
            const std::string request = pty_.receive(sent, 2000ms);
            pty_.send(answer);
            return request;
        });
        request(command, c, b, n);
        return farEnd.get();
    }

    std::uint8_t code() const { return ctx.outcome.resultCode; }
    std::uint8_t answer(unsigned j) { return ctx.request.buffer.answer(j); }

    kelvo::test::PtyPair pty_;
    kelvo::test::ScopedEnv port_ {"KELVO_COM8", pty_.slavePath()};
};

std::string records(std::size_t count, char fill)
{
    return std::string(count, fill);
}

}

TEST_F(RequestEngineTest, RecordAnswersEndAtA255AtARecordStart)
{
    // Command 71 answers records of 13 bytes: a full answer must end with the 255.
    EXPECT_EQ(exchange(71, 1, 0, 40, 2, "\x06" + std::string(1, '\0') + records(39, 'r')), "\x1b\x47");
    EXPECT_EQ(code(), condition::RecordEnd);

    storeCondition(condition::Success);
    exchange(71, 1, 0, 40, 2, "\x06" + std::string(1, '\0') + records(26, 'r') + "\xff");
    EXPECT_EQ(code(), 0) << "a 255 at the start of the third record ends the answer after two";
    EXPECT_EQ(answer(26), 'r');
    EXPECT_EQ(answer(27), 0xFF);
}

TEST_F(RequestEngineTest, AnswersShapedByTheCommand)
{
    ExchangeBuffer& buffer = ctx.request.buffer;
    exchange(229, 0, 0, 2, 2, "\xfc" "12345678");
    EXPECT_EQ(code(), 0);
    EXPECT_EQ(buffer.statusCell(), 252);
    EXPECT_EQ(answer(8), '8') << "252 announces eight more bytes";

    exchange(114, 0, 0, 1, 2, "Q");
    EXPECT_EQ(answer(1), 'Q') << "the single byte is put back as answer byte 1";

    // Data follow the first answer: the far end acknowledges the command first.
    buffer.requestData(1) = 7;
    auto farEnd = std::async(std::launch::async, [&] {
        std::string seen = pty_.receive(2, 2000ms);
        pty_.send("\x06");
        seen += pty_.receive(1, 2000ms);
        pty_.send("\x7a" "AB");
        return seen;
    });
    request(30, 1, 1, 2);
    EXPECT_EQ(farEnd.get(), std::string("\x1b\x1e\x07", 3));
    EXPECT_EQ(code(), 222) << "status 122";
    EXPECT_EQ(answer(1), 'A') << "and its two bytes are read all the same";
    EXPECT_EQ(answer(2), 'B');

    storeCondition(condition::Success);
    buffer.requestData(1) = 5;
    request(161, 0, 1, 20);
    EXPECT_EQ(code(), 208) << "an unknown sub-request is refused";
    EXPECT_EQ(pty_.receive(1, 100ms), "") << "and not sent";

    storeCondition(condition::Success);
    exchange(91, 2, 0, 0, 2, "\x15");
    EXPECT_EQ(code(), condition::Nak);
    storeCondition(condition::Success);
    exchange(91, 2, 0, 0, 2, "\x01");
    EXPECT_EQ(code(), 101);
}
