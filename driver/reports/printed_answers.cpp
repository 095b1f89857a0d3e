#include "driver/reports/printed_answers.h"

#include <algorithm>

#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/files/codepage.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/transport/link.h"

namespace kelvo::drv::printed {

bool AnswerBuffer::add(std::uint8_t byte)
{
    if (bytes_.size() >= kAnswerLimit) {
        failWith(condition::WrongAnswer);
        return false;
    }
    bytes_.push_back(byte);
    return true;
}

bool receive(std::uint8_t& byte)
{
    return isSuccess() && receiveByte(byte);
}

bool registerAccepted(std::uint8_t code, bool etxBlock)
{
    std::uint8_t failure = condition::WrongAnswer;
    switch (code) {
    case 0: return true;
    case 1:
    case 3: failure = condition::BadRange; break;
    case 2: failure = condition::NoReports; break;
    case 4: failure = condition::MonthNotEnded; break;
    case 5: failure = condition::PrintedReportCode5; break;
    case 6: failure = etxBlock ? condition::WrongDateOrPassword : condition::WrongAnswer; break;
    case 7: failure = etxBlock ? condition::PrintedReportCode7 : condition::WrongAnswer; break;
    case 8: failure = etxBlock ? condition::OtherError : condition::WrongAnswer; break;
    case 9: failure = etxBlock ? condition::NotReadOnly : condition::WrongAnswer; break;
    default: break;
    }
    failWith(failure);
    return false;
}

bool writeLine(std::string text, std::size_t width, bool questionMarks)
{
    convertCodePage(text, kRowCp852, kRowWindows1250);
    std::string line = padded(text, width, ' ', PadSide::Right);
    if (questionMarks)
        std::replace(line.begin(), line.end(), ' ', '?');
    if (!drv::writeLine(ctx.files.output, line)) {
        failWith(condition::OutputWrite);
        return false;
    }
    return true;
}

}
