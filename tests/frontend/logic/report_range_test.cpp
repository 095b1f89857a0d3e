#include "frontend/logic/report_range.h"

#include <gtest/gtest.h>

using namespace kelvo::frontend;

TEST(ReportRange, DefaultsAreThePreviousMonthAndToday)
{
    const RangeChoice january = defaultRange({2010, 1, 15});
    EXPECT_EQ(january.monthItem, 11) << "Grudzień";
    EXPECT_EQ(january.year, 2009);
    EXPECT_EQ(january.from.day, 15);
    EXPECT_EQ(january.settlementTo.month, 1);
    EXPECT_EQ(january.to.year, 2010);

    const RangeChoice march = defaultRange({2012, 3, 1});
    EXPECT_EQ(march.monthItem, 1);
    EXPECT_EQ(march.year, 2012);
    EXPECT_EQ(defaultRange({2001, 1, 5}).year, 2001) << "the year is kept within 2001 to 2100";
    EXPECT_EQ(defaultRange({10, 6, 5}).year, 2010) << "a two-digit year is one of this century";
}

TEST(ReportRange, TitlesAndFileNamesOfEveryKind)
{
    struct Case {
        RangeChoice choice;
        const char* title;
        const char* file;
    };
    RangeChoice monthly;
    monthly.monthItem = 2;
    monthly.year = 2009;
    RangeChoice dates;
    dates.kind = 2;
    dates.from = {2009, 1, 5};
    dates.to = {2009, 2, 28};
    RangeChoice settlementDates = dates;
    settlementDates.kind = 6;
    settlementDates.settlementFrom = {2009, 1, 5};
    settlementDates.settlementTo = {2009, 2, 28};
    RangeChoice numbers;
    numbers.kind = 3;
    numbers.numberFrom = 1;
    numbers.numberTo = 150;
    RangeChoice settlementNumbers;
    settlementNumbers.kind = 7;
    settlementNumbers.settlementNumberFrom = 10;
    settlementNumbers.settlementNumberTo = 25;
    RangeChoice previous;
    previous.kind = 4;
    RangeChoice current;
    current.kind = 5;
    current.variant = 1;
    RangeChoice whole;
    whole.kind = 8;
    const Case cases[] = {
        {monthly, "RAPORT SZCZEGÓŁOWY MIESIĘCZNY (03.2009r.)", "ABC12345678_SZCZ200903.txt"},
        {dates, "RAPORT SZCZEGÓŁOWY WEDŁUG DAT OD 05.01.2009r. DO 28.02.2009r.", "ABC12345678_SZCZ20090105-20090228.txt"},
        {settlementDates, "RAPORT SZCZEGÓŁOWY ROZLICZENIOWY WEDŁUG DAT OD 05.01.2009r. DO 28.02.2009r.",
            "ABC12345678_SZCZ20090105-20090228.txt"},
        {numbers, "RAPORT SZCZEGÓŁOWY WEDŁUG NUMERÓW OD RAPORTU 1 DO RAPORTU 150", "ABC12345678_SZCZ1-150.txt"},
        {settlementNumbers, "RAPORT SZCZEGÓŁOWY ROZLICZENIOWY WEDŁUG NUMERÓW OD RAPORTU 10 DO RAPORTU 25",
            "ABC12345678_SZCZ10-25.txt"},
        {previous, "RAPORT SZCZEGÓŁOWY ZA MIESIĄC POPRZEDNI", "ABC12345678_SZCZ_POPRZ.txt"},
        {current, "RAPORT SKRÓCONY ZA MIESIĄC BIEŻĄCY", "ABC12345678_SKR_BIEZ.txt"},
        {whole, "RAPORT SZCZEGÓŁOWY ", "ABC12345678_SZCZ.txt"},
    };
    for (const Case& c : cases) {
        ParameterRecord record;
        const ReportNames names = takeRange(c.choice, record, "ABC12345678");
        EXPECT_EQ(names.title, c.title);
        EXPECT_EQ(names.fileName, c.file);
        EXPECT_EQ(record.reportKind, c.choice.kind);
    }

    ParameterRecord record;
    record.reportKind = 3;
    RangeChoice none;
    none.kind = 0;
    EXPECT_EQ(takeRange(none, record, "").fileName, "_SZCZ.txt") << "an empty unique number still names the file";
    EXPECT_EQ(record.reportKind, 3) << "no kind selected keeps the previous one";
}
