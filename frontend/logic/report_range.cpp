#include "frontend/logic/report_range.h"

#include <algorithm>
#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/parameter_files.h"
#include "frontend/logic/report_kinds.h"
#include "frontend/logic/text_encoding.h"
#include "platform/file_access.h"

namespace kelvo::frontend {

namespace {

void storeDates(const Date& first, const Date& last, ParameterRecord& r)
{
    r.firstDay = first.day;
    r.firstMonth = first.month;
    r.firstYear = first.year;
    r.lastDay = last.day;
    r.lastMonth = last.month;
    r.lastYear = last.year;
}

// The kind's range from the controls that belong to it.
void storeRange(const RangeChoice& choice, ParameterRecord& r)
{
    const ReportKindInfo& kind = reportKind(choice.kind);
    if (kind.kind == 0)
        return;
    r.reportKind = kind.kind;
    switch (kind.range) {
    case RangeShape::Month:
        r.month = choice.monthItem + 1;
        r.year = choice.year;
        break;
    case RangeShape::Dates:
        if (kind.settlement)
            storeDates(choice.settlementFrom, choice.settlementTo, r);
        else
            storeDates(choice.from, choice.to, r);
        break;
    case RangeShape::Numbers:
        r.numberFrom = kind.settlement ? choice.settlementNumberFrom : choice.numberFrom;
        r.numberTo = kind.settlement ? choice.settlementNumberTo : choice.numberTo;
        break;
    case RangeShape::None: break;
    }
}

}

RangeChoice defaultRange(Date today)
{
    if (today.year < 2000)
        today.year += 2000;
    RangeChoice choice;
    const bool january = today.month == 1;
    choice.monthItem = january ? 11 : today.month - 2;
    choice.year = std::clamp(january ? today.year - 1 : today.year, kFirstYear, kLastYear);
    choice.from = choice.to = choice.settlementFrom = choice.settlementTo = today;
    return choice;
}

ReportNames takeRange(const RangeChoice& choice, ParameterRecord& r, const std::string& uniqueNumber)
{
    r.reportVariant = choice.variant == 1 ? 1 : 0;
    storeRange(choice, r);
    // Named by the chosen kind even when none is chosen and the record keeps an earlier one.
    ParameterRecord named = r;
    named.reportKind = choice.kind;
    return {reportTitle(named), reportFileName(named, uniqueNumber)};
}

std::uint8_t forgetKeptRecords(Session& session, const ReportSteps& steps)
{
    writeParameterFiles(session.record, session.record.registerNumber);
    const std::uint8_t code = steps.runCommand([] { return UsunieciePamieciRekordow(KELVODRV_INPUT_FILE_LOWER); });
    platform::removeFile(KELVODRV_INPUT_FILE_LOWER);
    return code;
}

ReportRun runReport(Session& session, const RangeChoice& choice, const ReportSteps& steps)
{
    ReportRun run;
    run.names = takeRange(choice, session.record, session.uniqueNumber);
    writeParameterFiles(session.record, session.record.registerNumber);
    steps.starting(run.names);
    const std::string fileName = run.names.fileName;
    run.code = steps.runCommand([&fileName] { return X000028X(KELVODRV_INPUT_FILE_LOWER, fileName.c_str()); });
    run.keptRecordsNote = keptRecordsNote();
    if (run.code != KELVODRV_RESULT_SUCCESS) {
        platform::removeFile(run.names.fileName);
        platform::removeFile(KELVODRV_INPUT_FILE_LOWER);
    }
    return run;
}

std::string keptRecordsNote()
{
    char text[1024] = {};
    OdczytanieUwagiPamieciRekordow(text);
    return utf8FromWindows1250(text);
}

}
