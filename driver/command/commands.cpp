// The driver's exported commands: each runs its own work inside the command
// frame with the switches it needs.
#include <kelvo/kelvodrv.h>

#include "driver/device/barcode_command.h"
#include "driver/device/identity_commands.h"
#include "driver/command/command.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/core/sealed.h"
#include "driver/reports/kept_records.h"
#include "driver/files/text.h"
#include "driver/reports/printed_report_commands.h"
#include "driver/reports/report_figures.h"
#include "driver/reports/report_lines.h"
#include "driver/reports/report_commands.h"

using kelvo::drv::CommandDefinition;
using kelvo::drv::runCommand;

namespace {

//                                   output file, header lines, talks to register, check register number
using namespace kelvo::drv;

constexpr CommandDefinition kReadRegisterNumber {"ONrKasy", {true, true, true, false}, registerNumberBody};
constexpr CommandDefinition kReadUniqueNumber {"ONrUnik", {true, true, true, true}, uniqueNumberBody};
constexpr CommandDefinition kReadStatus {"OStatus", {true, true, true, true}, statusBody};
constexpr CommandDefinition kBarcodes {"KDBarkod", {false, true, true, true}, barcodesBody};
constexpr CommandDefinition kPeriodicReport {"X000028X", {true, false, true, false}, periodicReportBody};
constexpr CommandDefinition kMemory29 {"X000029X", {true, false, true, false}, fixedLineReportBody};
constexpr CommandDefinition kOpenPort {"X000030X", {false, true, false, true}, openPortBody};
constexpr CommandDefinition kMemory31 {"X000031X", {true, false, true, false}, etxBlockReportBody};
constexpr CommandDefinition kMemory33 {"X000033X", {true, false, true, false}, printStreamReportBody};
constexpr CommandDefinition kMemory35 {"X000035X", {true, false, true, false}, periodicReportFamilyBBody};
constexpr CommandDefinition kForgetRecords {"UsunieciePamieciRekordow", {false, true, true, true}, forgetKeptRecordsBody};

unsigned char periodicReportCommand(const CommandDefinition& command, const char* input, const char* output)
{
    const std::uint8_t resultCode = runCommand(command, input, output);
    sealed([resultCode] { keepReportFigures(resultCode); });
    return resultCode;
}

}

extern "C" {

KELVODRV_API unsigned char ONrKasy(const char* input, const char* output)
{
    return runCommand(kReadRegisterNumber, input, output);
}

KELVODRV_API unsigned char ONrUnik(const char* input, const char* output)
{
    return runCommand(kReadUniqueNumber, input, output);
}

KELVODRV_API unsigned char OStatus(const char* input, const char* output)
{
    return runCommand(kReadStatus, input, output);
}

KELVODRV_API unsigned char KDBarkod(const char* input)
{
    return runCommand(kBarcodes, input, nullptr);
}

KELVODRV_API unsigned char X000028X(const char* input, const char* output)
{
    return periodicReportCommand(kPeriodicReport, input, output);
}

KELVODRV_API unsigned char X000029X(const char* input, const char* output)
{
    return runCommand(kMemory29, input, output);
}

KELVODRV_API unsigned char X000030X(const char* input)
{
    return runCommand(kOpenPort, input, nullptr);
}

KELVODRV_API unsigned char X000031X(const char* input, const char* output)
{
    return runCommand(kMemory31, input, output);
}

KELVODRV_API unsigned char X000033X(const char* input, const char* output)
{
    return runCommand(kMemory33, input, output);
}

KELVODRV_API unsigned char X000035X(const char* input, const char* output)
{
    return periodicReportCommand(kMemory35, input, output);
}

KELVODRV_API unsigned char ZapisZestawieniaKsiegowego(const char* path)
{
    return kelvo::drv::sealed(kelvo::drv::condition::OtherError,
        [path] { return kelvo::drv::report::writeLastReportFigures(kelvo::drv::bufferText(path)); });
}

KELVODRV_API unsigned char UsunieciePamieciRekordow(const char* input)
{
    return runCommand(kForgetRecords, input, nullptr);
}

KELVODRV_API void UstawieniePamieciRekordow(unsigned char on)
{
    kelvo::drv::sealed([on] { kelvo::drv::ctx.keepRecords = on != 0; });
}

KELVODRV_API void OdczytanieUwagiPamieciRekordow(char* text)
{
    kelvo::drv::sealed([text] {
        kelvo::drv::storeText(text, kelvo::drv::report::windows1250(kelvo::drv::ctx.reports.kept.note));
    });
}

}
