#include <gtest/gtest.h>

#include "driver/reports/records.h"

using namespace kelvo::drv;

TEST(RecordTexts, AmountsHaveTwoDecimalsAndGroupsOfThree)
{
    EXPECT_EQ(amountText(12345678), "123.456,78");
    EXPECT_EQ(amountText(5), "0,05");
    EXPECT_EQ(amountText(0), "0,00");
    EXPECT_EQ(amountText(100), "1,00");
    EXPECT_EQ(amountText(99999), "999,99");
    EXPECT_EQ(amountText(100000), "1.000,00");
    EXPECT_EQ(amountText(std::uint64_t {1} << 40), "10.995.116.277,76");
    EXPECT_EQ(rateText(2200), "22,00");
    EXPECT_EQ(rateText(800), "8,00");
    EXPECT_EQ(rateText(0), "0,00");
    EXPECT_EQ(rateText(65535), "655,35") << "rates are never grouped";
}

TEST(RecordTexts, InvertedAmountsReadLeastSignificantFirst)
{
    const std::uint8_t amount[] = {0xB1, 0x9E, 0x43, 0xFF, 0xFF};  // 0x00BC614E inverted
    EXPECT_EQ(invertedAmount(amount), 12345678u);
    const std::uint8_t erased[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(invertedAmount(erased), 0u);
    const std::uint8_t largest[] = {0, 0, 0, 0, 0};
    EXPECT_EQ(invertedAmount(largest), (std::uint64_t {1} << 40) - 1);
}

TEST(RecordTexts, TaxRoundsUpFromHalfAGrosz)
{
    // 3 grosze at 22 %: 0,54 grosza, the tenths digit is 5, so one grosz.
    EXPECT_EQ(taxOfGross(3, 2200), 1u);
    // 8 grosze: 1,44 grosza, the tenths digit is 4, so it stays one grosz.
    EXPECT_EQ(taxOfGross(8, 2200), 1u);
    // 2 grosze: 0,36, nothing.
    EXPECT_EQ(taxOfGross(2, 2200), 0u);
    // 123.456,78 at 22 %: 22.262,698..., raised to 22.262,70.
    EXPECT_EQ(taxOfGross(12345678, 2200), 2226270u);
    EXPECT_EQ(taxOfGross(12345678, 0), 0u);
    EXPECT_EQ(taxOfGross((std::uint64_t {1} << 40) - 1, 65535), 953948428228u) << "no overflow at the largest values";
}

TEST(RecordKeys, DatesCompareByYearMonthDayAndNumbersByValue)
{
    EXPECT_EQ(compareKeys(false, dateKey(9, 1, 31), dateKey(9, 1, 31)), 0);
    EXPECT_EQ(compareKeys(false, dateKey(9, 1, 31), dateKey(9, 2, 1)), 2);
    EXPECT_EQ(compareKeys(false, dateKey(9, 2, 1), dateKey(9, 1, 31)), 1);
    EXPECT_EQ(compareKeys(false, dateKey(9, 12, 31), dateKey(10, 1, 1)), 2);
    EXPECT_EQ(compareKeys(true, numberKey(7), numberKey(7)), 0);
    EXPECT_EQ(compareKeys(true, numberKey(7), numberKey(300)), 2);
    EXPECT_EQ(compareKeys(true, numberKey(300), numberKey(7)), 1);
    EXPECT_EQ(compareKeys(true, dateKey(1, 1, 1), dateKey(9, 9, 9)), 0) << "a number key ignores the date";
}

TEST(RecordKeys, DateYearsFrom50AreRefused)
{
    EXPECT_TRUE(keyInRange(false, dateKey(0, 1, 1)));
    EXPECT_TRUE(keyInRange(false, dateKey(49, 12, 31)));
    EXPECT_FALSE(keyInRange(false, dateKey(50, 1, 1)));
    EXPECT_FALSE(keyInRange(false, dateKey(99, 1, 1)));
    EXPECT_TRUE(keyInRange(true, numberKey(65535)));
    EXPECT_TRUE(keyInRange(true, dateKey(99, 1, 1))) << "keys by number are always accepted";
}

TEST(RecordKeys, KindGroupsBcdAndMonthLengths)
{
    EXPECT_EQ(bcdValue(0x09), 9);
    EXPECT_EQ(bcdValue(0x31), 31);
    EXPECT_EQ(bcdValue(0x49), 49);
    EXPECT_TRUE(isMonthlyKind(1) && isMonthlyKind(4) && !isMonthlyKind(5));
    EXPECT_TRUE(isByNumberKind(3) && isByNumberKind(7) && isByNumberKind(8) && !isByNumberKind(6));
    EXPECT_TRUE(isSettlementKind(6) && isSettlementKind(7) && isSettlementKind(8) && !isSettlementKind(2));
}
