#include "driver/frame/context.h"

#include <kelvo/kelvodrv.h>

namespace kelvo::drv {

Context ctx;

void resetCommandContext()
{
    ctx.names = {};
    ctx.headers = {};
    ctx.files = {};
    ctx.switches = {};
    ctx.outcome = {};
    ctx.exchange = {};
    // The line terminator and output sharing go back to their defaults too, so
    // that a parameter-list file of one command does not change how the next
    // command, given none, reads its files.
    ctx.lineFormat = {};
    ctx.reading = {};
    ctx.counters = {};
    ctx.server = {};
    ctx.registerNumber = 0;
    ctx.request = {};
    ZerowanieSzczegolowychDanychOTypieUrzadzenia();
    ctx.reports = {};
    ctx.connection.derived = {};
}

}
