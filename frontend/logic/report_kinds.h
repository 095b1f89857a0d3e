// The kinds of periodic report, 1 to 8, and all that the front ends write of
// one: its caption in the range window and on the command line, its part of
// the report's title on the screen and of the print job's title, its part of
// the report file's name, its range in the input line, and the range
// window's controls that belong to it.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend {

// What a kind's range is made of: it picks the range window's controls, the
// words on the command line and the way the bounds are written.
enum class RangeShape { None, Month, Dates, Numbers };

// The patterns hold {1} and {2} where the range's first and last bound go.
struct ReportKindInfo {
    int kind = 0;
    RangeShape range = RangeShape::None;
    bool settlement = false;          // offered only when the register allows settlements
    std::string_view caption;         // the range window's radio button
    std::string_view buttonName;      // that button's object name
    // The range window's controls of the range, first and last, and the "DO"
    // label between them when there is one.
    std::array<std::string_view, 2> controlNames;
    std::string_view toLabelName;
    std::string_view screenTitle;     // after "RAPORT SZCZEGÓŁOWY " or "RAPORT SKRÓCONY "
    std::string_view printTitle;      // after "Raport okresowy szczegółowy " or "... skrócony "
    std::string_view fileTag;         // after the unique number and "_SZCZ" or "_SKR"
    std::string_view inputFields;     // after the kind in the input data line
    std::string_view commandWords;    // the range as kelvor-cli takes it
    std::string_view commandCaption;  // the kind in kelvor-cli's help
};

// The kind's entry; a kind outside 1 to 8 gets one that adds nothing.
const ReportKindInfo& reportKind(int kind);

// Kinds 1 to 8, in order.
std::span<const ReportKindInfo> reportKinds();

// How a bound is written: in a title, in a file name, in the input line.
enum class BoundUse { Title, FileName, InputLine };

// The pattern with the record's range bounds, written for the use, in place of {1} and {2}.
std::string withBounds(std::string_view pattern, const ParameterRecord& record, BoundUse use);

// "RAPORT SZCZEGÓŁOWY MIESIĘCZNY (03.2009r.)": the report's title on the screen, UTF-8.
std::string reportTitle(const ParameterRecord& record);

// "Raport okresowy szczegółowy miesięczny (03.2009r.)": the print job's title.
std::string printJobTitle(const ParameterRecord& record);

// "ABC12345678_SZCZ200903.txt": the report text file's name in the working folder.
std::string reportFileName(const ParameterRecord& record, const std::string& uniqueNumber);

}
