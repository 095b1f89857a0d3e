// The driver's exported commands: each runs its own work inside the command
// frame with the switches it needs.
#include <kelvo/kelvodrv.h>

#include "driver/device/barcode_command.h"
#include "driver/device/identity_commands.h"
#include "driver/command/command.h"
#include "driver/command/command_list.h"
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
using namespace kelvo::drv;

namespace {

// A periodic report command keeps the accountant's figures of the report it
// made, and drops those of an earlier report when it failed.
std::uint8_t finished(const CommandDefinition& command, std::uint8_t resultCode)
{
    if (command.body == periodicReportBody || command.body == periodicReportFamilyBBody)
        sealed([resultCode] { keepReportFigures(resultCode); });
    return resultCode;
}

}

// Each row of the command list becomes an exported function that runs the
// command's work inside the command frame.
#define KELVO_WITH_OUTPUT(name, body, headerLines, talks, checkNumber, purpose)                          \
    KELVODRV_API unsigned char name(const char* input, const char* output)                               \
    {                                                                                                    \
        static constexpr CommandDefinition command {#name, {true, headerLines, talks, checkNumber}, body}; \
        return finished(command, runCommand(command, input, output));                                    \
    }
#define KELVO_INPUT_ONLY(name, body, headerLines, talks, checkNumber, purpose)                            \
    KELVODRV_API unsigned char name(const char* input)                                                   \
    {                                                                                                    \
        static constexpr CommandDefinition command {#name, {false, headerLines, talks, checkNumber}, body}; \
        return finished(command, runCommand(command, input, nullptr));                                   \
    }

extern "C" {

KELVO_DRIVER_COMMANDS(KELVO_WITH_OUTPUT, KELVO_INPUT_ONLY)

KELVODRV_API unsigned char ZapisZestawieniaKsiegowego(const char* path)
{
    return kelvo::drv::sealed(kelvo::drv::condition::OtherError,
        [path] { return kelvo::drv::report::writeLastReportFigures(kelvo::drv::bufferText(path)); });
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
