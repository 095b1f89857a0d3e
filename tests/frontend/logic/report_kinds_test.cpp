#include "frontend/logic/report_kinds.h"

#include <gtest/gtest.h>
#include <kelvo/kelvodrv_contract.h>
#include <set>
#include <string>

using namespace kelvo::frontend;

namespace {

bool holds(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

}

// A kind's entry gives all that its range needs and nothing a range-less kind
// could write: a bound in a title, file name or input line of a kind without
// one would come out empty.
TEST(ReportKinds, EachKindOnceWithWhatItsRangeNeeds)
{
    ASSERT_EQ(reportKinds().size(), static_cast<std::size_t>(KELVODRV_KIND_LAST - KELVODRV_KIND_FIRST + 1));
    std::set<std::string_view> buttons, controls, captions, screenTitles;
    int expected = KELVODRV_KIND_FIRST;
    for (const ReportKindInfo& kind : reportKinds()) {
        SCOPED_TRACE(kind.kind);
        EXPECT_EQ(kind.kind, expected++);
        EXPECT_EQ(&reportKind(kind.kind), &kind);
        EXPECT_TRUE(kind.caption.starts_with(std::to_string(kind.kind) + ". "));
        EXPECT_TRUE(buttons.insert(kind.buttonName).second);
        EXPECT_TRUE(captions.insert(kind.commandCaption).second);
        EXPECT_TRUE(screenTitles.insert(kind.screenTitle).second);
        const bool ranged = kind.range != RangeShape::None;
        const bool twoBounds = kind.range == RangeShape::Dates || kind.range == RangeShape::Numbers;
        EXPECT_EQ(holds(kind.inputFields, "{1}"), ranged);
        EXPECT_EQ(holds(kind.inputFields, "{2}"), twoBounds);
        EXPECT_EQ(holds(kind.fileTag, "{1}"), ranged);
        EXPECT_EQ(holds(kind.screenTitle, "{2}"), twoBounds);
        EXPECT_FALSE(holds(kind.printTitle, "{2}") && !twoBounds);
        EXPECT_EQ(kind.commandWords.empty(), !ranged);
        EXPECT_EQ(!kind.toLabelName.empty(), twoBounds) << "\"DO\" stands between two bounds";
        for (const std::string_view control : kind.controlNames) {
            EXPECT_EQ(control.empty(), !ranged);
            EXPECT_TRUE(!ranged || controls.insert(control).second) << control;
        }
    }
}

TEST(ReportKinds, KindsOutsideOneToEightAddNothing)
{
    for (const int kind : {0, 9, -1, 255}) {
        EXPECT_EQ(reportKind(kind).kind, 0);
        ParameterRecord record;
        record.reportKind = kind;
        record.reportVariant = 1;
        EXPECT_EQ(reportTitle(record), "RAPORT SKRÓCONY ");
        EXPECT_EQ(printJobTitle(record), "Raport okresowy skrócony ");
        EXPECT_EQ(reportFileName(record, "ABC12345678"), "ABC12345678_SKR.txt");
    }
}

// The screen names a settlement and the kinds by the register's clock; the
// print job's title does not.
TEST(ReportKinds, ScreenAndPrintJobTitlesDiffer)
{
    ParameterRecord record;
    record.reportKind = KELVODRV_KIND_SETTLEMENT_NUMBERS;
    record.numberFrom = 10;
    record.numberTo = 25;
    EXPECT_EQ(reportTitle(record), "RAPORT SZCZEGÓŁOWY ROZLICZENIOWY WEDŁUG NUMERÓW OD RAPORTU 10 DO RAPORTU 25");
    EXPECT_EQ(printJobTitle(record), "Raport okresowy szczegółowy ");
    record.reportKind = KELVODRV_KIND_PREVIOUS_MONTH;
    EXPECT_EQ(reportTitle(record), "RAPORT SZCZEGÓŁOWY ZA MIESIĄC POPRZEDNI");
    EXPECT_EQ(printJobTitle(record), "Raport okresowy szczegółowy ");
}
