#include "frontend/logic/report_range.h"

#include <algorithm>
#include <kelvo/kelvodrv.h>

#include "frontend/logic/date_text.h"
#include "frontend/logic/parameter_files.h"
#include "frontend/logic/text_encoding.h"
#include "platform/file_access.h"

namespace kelvo::frontend {

namespace {

std::string titleDate(const Date& d)
{
    return kelvo::frontend::titleDate(d.day, d.month, d.year);
}

std::string fileDate(const Date& d)
{
    return std::to_string(d.year) + twoDigits(d.month) + twoDigits(d.day);
}

void storeDates(const Date& first, const Date& last, ParameterRecord& r)
{
    r.firstDay = first.day;
    r.firstMonth = first.month;
    r.firstYear = first.year;
    r.lastDay = last.day;
    r.lastMonth = last.month;
    r.lastYear = last.year;
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
    ReportNames names;
    r.reportVariant = choice.variant == 1 ? 1 : 0;
    names.title = std::string("RAPORT ") + (r.reportVariant == 1 ? "SKRÓCONY " : "SZCZEGÓŁOWY ");
    names.fileName = uniqueNumber + (r.reportVariant == 1 ? "_SKR" : "_SZCZ");
    switch (choice.kind) {
    case 4:
    case 5:
        r.reportKind = choice.kind;
        names.title += choice.kind == 4 ? "ZA MIESIĄC POPRZEDNI" : "ZA MIESIĄC BIEŻĄCY";
        names.fileName += choice.kind == 4 ? "_POPRZ" : "_BIEZ";
        break;
    case 1:
        r.reportKind = 1;
        r.month = choice.monthItem + 1;
        r.year = choice.year;
        names.title += "MIESIĘCZNY (" + titleMonth(r.month, r.year) + ")";
        names.fileName += std::to_string(r.year) + twoDigits(r.month);
        break;
    case 2:
    case 6: {
        r.reportKind = choice.kind;
        const Date& first = choice.kind == 2 ? choice.from : choice.settlementFrom;
        const Date& last = choice.kind == 2 ? choice.to : choice.settlementTo;
        storeDates(first, last, r);
        names.title += std::string(choice.kind == 6 ? "ROZLICZENIOWY " : "") + "WEDŁUG DAT OD " + titleDate(first) + " DO "
            + titleDate(last);
        names.fileName += fileDate(first) + "-" + fileDate(last);
        break;
    }
    case 3:
    case 7:
        r.reportKind = choice.kind;
        r.numberFrom = choice.kind == 3 ? choice.numberFrom : choice.settlementNumberFrom;
        r.numberTo = choice.kind == 3 ? choice.numberTo : choice.settlementNumberTo;
        names.title += std::string(choice.kind == 7 ? "ROZLICZENIOWY " : "") + "WEDŁUG NUMERÓW OD RAPORTU "
            + std::to_string(r.numberFrom) + " DO RAPORTU " + std::to_string(r.numberTo);
        names.fileName += std::to_string(r.numberFrom) + "-" + std::to_string(r.numberTo);
        break;
    case 8:
        r.reportKind = 8;
        break;
    default:
        break;
    }
    names.fileName += ".txt";
    return names;
}

std::uint8_t forgetKeptRecords(Session& session, const ReportSteps& steps)
{
    writeParameterFiles(session.record, session.record.registerNumber);
    const std::uint8_t code = steps.runCommand([] { return UsunieciePamieciRekordow("in"); });
    platform::removeFile("in");
    return code;
}

ReportRun runReport(Session& session, const RangeChoice& choice, const ReportSteps& steps)
{
    ReportRun run;
    run.names = takeRange(choice, session.record, session.uniqueNumber);
    writeParameterFiles(session.record, session.record.registerNumber);
    steps.starting(run.names);
    const std::string fileName = run.names.fileName;
    run.code = steps.runCommand([&fileName] { return X000028X("in", fileName.c_str()); });
    run.keptRecordsNote = keptRecordsNote();
    if (run.code != 0) {
        platform::removeFile(run.names.fileName);
        platform::removeFile("in");
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
