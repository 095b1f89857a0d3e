#include "driver/files/validators.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "kelvo/kelvodrv.h"

namespace kelvo::drv {
namespace {

constexpr auto no = std::nullopt;
constexpr std::uint64_t kLargestSixByte = kSixByteLimit - 1;

template <typename T>
void expectAll(std::optional<T> (*parse)(std::string_view),
               std::initializer_list<std::pair<std::string, std::optional<T>>> cases)
{
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parse(text), expected) << '"' << text << '"';
}

TEST(ValidatorNumberForms, AcceptsEachFormAndRejectsTheRest)
{
    expectAll(parseSixByteDecimal, {{"  255  ", 255}, {"2 55", no}, {"", no}, {"   ", no}, {"-1", no},
                                    {"281474976710655", kLargestSixByte}, {"281474976710656", no},
                                    {"0000000000000000000000001", 1}, {"99999999999999999999999", no}});
    expectAll(parseSixByteHex, {{"FF", no}, {"$FF", 255}, {"HFF", 255}, {"FFH", 255}, {"0xff", 255},
                                {" 0ffh ", 255}, {"$A1b2C3", 0xA1B2C3}, {"0x", no}, {"$", no}, {"H", no},
                                {"HFFH", no}, {"$F G", no}, {"$FFFFFFFFFFFF", kLargestSixByte},
                                {"$1000000000000", no}});
    expectAll(parseSixByteQuoted, {{"'AB'", 0x4241}, {"'ab'", 0x6261}, {" 'A' ", 'A'}, {"'''", '\''},
                                   {"'ABCDEF'", 0x464544434241}, {"'ABCDEFG'", no}, {"''", no}, {"'AB", no}});
    expectAll(parseSixByte, {{"16", 16}, {"$10", 16}, {"'0'", '0'}, {"1O", no}});
}

TEST(ValidatorNumberForms, NarrowTypesAreRangesOfTheSixByteNumber)
{
    EXPECT_TRUE(parseSixByte("4294967296"));
    expectAll(parseLong, {{"4294967296", no}, {"4294967295", 4294967295u}, {"'ABCD'", 0x44434241u},
                          {"'ABCDE'", no}});
    for (const auto& [text, expected] : {std::pair{"4", false}, {"5", true}, {"10", true}, {"11", false}})
        EXPECT_EQ(parseLongInRange(text, 5, 10).has_value(), expected) << text;
    expectAll(parseWord, {{"65535", 65535}, {"$10000", no}});
    expectAll(parseByte, {{" 255 ", 255}, {"$FF", 255}, {"0FFH", 255}, {"'\xFF'", 255}, {"256", no},
                          {"2 55", no}, {"-0", no}});
    expectAll(parseHexByte, {{"FF", 255}, {"0a", 10}, {"12", 0x12}, {"100", no}, {"$FF", no}, {"", no}});
}

TEST(ValidatorBooleanAndParity, AcceptsNumbersLettersAndWords)
{
    expectAll(parseBoolean, {{"1", true}, {"$1", true}, {"t", true}, {"Y", true}, {"0", false},
                             {"n", false}, {"2", no}, {"x", no}, {"yes", no}, {"", no}});
    expectAll(parseParity, {{"NONE", Parity::None}, {"n", Parity::None}, {"odd", Parity::Odd},
                            {"even", Parity::Even}, {"E", Parity::Even}, {"e", Parity::Even},
                            {"Mark", Parity::Mark}, {"s", Parity::Space}, {"SPACE", Parity::Space},
                            {"EVN", no}, {"NO", no}, {"", no}});
}

TEST(ValidatorEightByte, SkipsSpacesAndRejectsOverflow)
{
    expectAll(parseEightByte, {{"2 55", 255u}, {"", 0u}, {"   ", 0u}, {"18446744073709551615", UINT64_MAX},
                               {"18446744073709551616", no}, {"12a", no}});
}

TEST(ValidatorScaledNumber, ReadsDecimalsAndStripsZeros)
{
    const auto strip = [](std::string_view text) { return parseScaledNumber(text, true); };
    const auto keep = [](std::string_view text) { return parseScaledNumber(text, false); };
    expectAll(+keep, {{"12,50", ScaledNumber{1250, 2}}, {"12", ScaledNumber{12, 0}}, {",5", no}, {"5,", no},
                      {"1,2,3", no}, {"1.2,3", no}, {"1 2", no}, {"", no}, {"4294967295,000", no},
                      {"0," + std::string(254, '0') + "1", ScaledNumber{1, 255}},
                      {"0," + std::string(255, '0') + "1", no}});
    expectAll(+strip, {{"12,50", ScaledNumber{125, 1}}, {"0,10", ScaledNumber{1, 1}},
                       {"12.00", ScaledNumber{12, 0}}, {"4294967295,000", ScaledNumber{4294967295, 0}}});
}

TEST(ValidatorDate, ChecksPartsAndMonthLengths)
{
    const DateBytes may12{10, 5, 12, 1, 0, 0, 5, 1, 2};
    const auto decimal = [](std::string_view text) { return parseDate(text, false); };
    expectAll(+decimal, {{"2010.05.12", may12}, {"10.05.12", may12}, {"2010r05.12", may12},
                         {"99.12.31", DateBytes{99, 12, 31, 9, 9, 1, 2, 3, 1}},
                         {"00.02.29", DateBytes{0, 2, 29, 0, 0, 0, 2, 2, 9}},
                         {"11.02.28", DateBytes{11, 2, 28, 1, 1, 0, 2, 2, 8}},
                         {"11.02.29", no}, {"10.04.31", no}, {"10.5.12", no}, {"10.13.01", no}, {"10.00.01", no},
                         {"10.01.00", no}, {"210.05.12", no}, {"10.05.12.", no}, {"10.05.12.1", no},
                         {"10.05", no}, {"10r05r12", no}, {"10R05.12", no}, {"", no}});
    EXPECT_EQ(parseDate("10.05.12", true), (DateBytes{10, 5, 12, 0, 10, 0, 5, 0, 12}));
    EXPECT_EQ(daysInMonth(12, 2), 29);
    EXPECT_EQ(daysInMonth(0, 2), 29);
    EXPECT_EQ(daysInMonth(9, 2), 28);
    EXPECT_EQ(daysInMonth(9, 4), 30);
    EXPECT_EQ(daysInMonth(9, 12), 31);
}

template <std::size_t N>
std::vector<unsigned char> bytes(const unsigned char (&array)[N])
{
    return {array, array + N};
}

TEST(ValidatorExported, FailuresZeroWideFormsAndKeepNarrowOnes)
{
    unsigned char six[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(PoprawnaLiczbaSzesciobajtowa("'AB'", six), 1);
    EXPECT_EQ(bytes(six), (std::vector<unsigned char>{'A', 'B', 0, 0, 0, 0}));
    EXPECT_EQ(PoprawnaLiczbaSzesciobajtowaDec("x", six), 0);
    EXPECT_EQ(bytes(six), std::vector<unsigned char>(6, 0));

    std::uint32_t value = 7;
    EXPECT_EQ(PoprawnaLiczbaZPodanegoZakresu("11", 1, 10, &value), 0);
    EXPECT_EQ(value, 0u);
    value = 7;
    EXPECT_EQ(PoprawnaLiczbaTypuWord("65536", &value), 0);
    EXPECT_EQ(value, 7u);

    unsigned char byte = 9;
    EXPECT_EQ(PoprawnaLiczbaTypuByte("256", &byte) + PoprawnaLiczbaTypuBoolean("x", &byte) +
                  PoprawnyNapisOpisujacyParzystosc("X", &byte),
              0);
    EXPECT_EQ(byte, 9);
    EXPECT_EQ(PoprawnyNapisOpisujacyParzystosc("mark", &byte), 1);
    EXPECT_EQ(byte, 3);

    unsigned char eight[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(PoprawnaLiczbaOsmiobajtowa("258", eight), 1);
    EXPECT_EQ(bytes(eight), (std::vector<unsigned char>{2, 1, 0, 0, 0, 0, 0, 0}));

    unsigned char decimals = 5;
    EXPECT_EQ(PoprawnaLiczbaZmiennoprzecinkowa("5,", &value, &decimals, 0), 0);
    EXPECT_EQ(value + decimals, 0u);

    unsigned char digit = 5;
    EXPECT_EQ(ZnakJestCyfra('7', &digit), 1);
    EXPECT_EQ(digit, 7);
    EXPECT_EQ(ZnakJestCyfra('a', &digit), 0);
    EXPECT_EQ(digit, 0);
    EXPECT_EQ(ZnakJestKropkaLubPrzecinkiem(','), 1);
    EXPECT_EQ(ZnakJestKropkaLubPrzecinkiem(';'), 0);

    EXPECT_EQ(PoprawnaLiczbaTypuLong(nullptr, nullptr), 0);
    EXPECT_EQ(PoprawnaLiczbaZmiennoprzecinkowa("1,5", nullptr, nullptr, 1), 1);
    EXPECT_EQ(PoprawnaLiczbaOsmiobajtowa(nullptr, nullptr), 1);
}

// Texts filling a whole buffer with no NUL in reach, and bytes above 127:
// every validator refuses them without reading past 1023 characters.
TEST(ValidatorExported, LongAndOddTextsAreRefusedWithinBounds)
{
    const std::vector<std::vector<char>> texts = {
        std::vector<char>(1023, '9'), std::vector<char>(1023, '\''), std::vector<char>(1023, '\xA5'),
        {'$', '\xFF', '\x80', '\0'},
    };
    for (const auto& text : texts) {
        unsigned char wide[8];
        std::uint32_t value;
        unsigned char byte;
        EXPECT_EQ(PoprawnaLiczbaSzesciobajtowa(text.data(), wide), 0);
        EXPECT_EQ(PoprawnaLiczbaTypuLong(text.data(), &value), 0);
        EXPECT_EQ(PoprawnaLiczbaHEXTypuByte(text.data(), &byte), 0);
        EXPECT_EQ(PoprawnaLiczbaTypuBoolean(text.data(), &byte), 0);
        EXPECT_EQ(PoprawnaLiczbaOsmiobajtowa(text.data(), wide), 0);
        EXPECT_EQ(PoprawnaLiczbaZmiennoprzecinkowa(text.data(), &value, &byte, 1), 0);
        EXPECT_EQ(PoprawnyNapisOpisujacyParzystosc(text.data(), &byte), 0);
    }
}

}
}
