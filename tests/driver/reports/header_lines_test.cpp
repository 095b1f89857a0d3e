// Header lines from the simulator: by request 157, and from the fiscal
// memory copy of the header when the register does not support it.
#include "driver/reports/header_lines.h"
#include "driver/core/context.h"
#include "tests/driver/reports/records_fixture.h"

using namespace kelvo::drv;

namespace {

class HeaderLinesTest : public kelvo::test::RecordsTest {
protected:
    std::vector<HeaderLine> readLines(const std::string& json)
    {
        startScenario(json);
        result_ = runWithRegister([] { readHeaderLines(); });
        return ctx.device.headerLines;
    }

    static std::string padded(const std::string& text, std::size_t width)
    {
        return text + std::string(width - text.size(), ' ');
    }

    std::uint8_t result_ = 0xFF;
};

const std::string kHeader = R"("header": ["     SKLEP KELVO", "UL. DLUGA 1", {"text": "ZAPRASZAMY", "double_width": true}],
 "header_copy": {"last_line": "NIP 123-456-78-90", "attribute": 2})";

}

TEST_F(HeaderLinesTest, ByRequest157WithDoubleWidthSpacedOut)
{
    const auto lines = readLines(R"({"model": 121, )" + kHeader + "}");
    ASSERT_EQ(result_, 0);
    ASSERT_EQ(lines.size(), 6u) << "Orvan 121 has six header lines";
    EXPECT_EQ(lines[0].text, padded("     SKLEP KELVO", 40));
    EXPECT_EQ(lines[1].text, padded("UL. DLUGA 1", 40));
    EXPECT_EQ(lines[2].attribute & 1, 1);
    EXPECT_EQ(lines[2].text, padded("Z A P R A S Z A M Y", 40));
    EXPECT_EQ(lines[5].text, std::string(40, ' '));
    const auto asked = requests("157");
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_NE(asked[0].find("data=[01]"), std::string::npos);
    EXPECT_NE(asked[5].find("data=[06]"), std::string::npos);
    EXPECT_TRUE(requests("154").empty());
}

TEST_F(HeaderLinesTest, PelunRowsAnswer42BytesAndKeepTheirPrinterWidth)
{
    const auto lines = readLines(R"({"model": 107, )" + kHeader + "}");
    ASSERT_EQ(result_, 0);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].text, padded("     SKLEP KELVO", 18));
    EXPECT_EQ(lines[2].text, "Z A P R A S Z A M ") << "nine characters of double width";
}

TEST_F(HeaderLinesTest, WithoutRequest157TheLastLineComesFromTheFiscalMemoryCopy)
{
    const auto lines = readLines(R"({"model": 121, "header_request": false, )" + kHeader + "}");
    ASSERT_EQ(result_, 0);
    ASSERT_EQ(lines.size(), 6u);
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ(lines[k].text, std::string(40, ' ')) << k;
    EXPECT_EQ(lines[5].text, "NIP 123-456-78-90") << "full width by bit 1 of the copy's attribute";
    EXPECT_EQ(requests("157").size(), 1u);
    EXPECT_EQ(requests("154").size(), 10u) << "five records of the copy, each read twice";
}

TEST_F(HeaderLinesTest, ACopyOfHalfWidthIsSpacedOut)
{
    const auto lines = readLines(R"({"model": 121, "header_request": false,
 "header_copy": {"last_line": "DZIEKUJEMY ZA ZAKUPY W SKLEPIE", "attribute": 0}})");
    ASSERT_EQ(result_, 0);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5].attribute & 1, 1);
    EXPECT_EQ(lines[5].text, "D Z I E K U J E M Y   Z A   Z A K U P Y ") << "twenty characters, a blank after each";
}
