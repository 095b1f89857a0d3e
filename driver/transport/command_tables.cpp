#include "driver/transport/command_tables.h"

#include "driver/core/context.h"
#include "driver/core/model_table.h"

namespace kelvo::drv {

bool identifiedAs(bool (*test)(std::uint8_t))
{
    return ctx.device.deviceCode.known && test(ctx.device.deviceCode.value);
}

namespace {

std::optional<std::uint8_t> subRequestRecordLength(std::uint8_t subRequest)
{
    switch (subRequest) {
    case 0: case 128: return 17;
    case 1: case 129: return 21;
    case 2: case 130: return identifiedAs(isKametRow) ? 33 : 30;
    case 3: case 131: return 38;
    case 4: case 132: return 43;
    case 16: case 17: case 144: case 145: return 12;
    default: return std::nullopt;
    }
}

}

std::optional<std::uint8_t> recordLength(const RequestShape& r, std::uint8_t firstDataByte)
{
    switch (r.command) {
    case 10: case 11: return r.c == 110 && r.b == 0 && r.n == 0 ? 27 : 0;
    case 71: case 72: return 13;
    case 138: return 10;
    case 161: return subRequestRecordLength(firstDataByte);
    case 162: case 163: case 165: return 11;
    case 173: case 174: return 16;
    case 213: case 214: return 29;
    case 231: return 4;
    case 233: case 238: return 20;
    case 234: return 8;
    default: return 0;
    }
}

bool secondAnswerStartsWithData(const RequestShape& r)
{
    switch (r.command) {
    case 17: case 49: case 92: case 94: case 114: case 154: case 229: case 249: case 252: return true;
    case 160: return identifiedAs(predatesDorn);
    case 2: case 4: case 7: case 158: case 166: case 169: case 190: return r.n >= 2;
    default: return false;
    }
}

bool firstAnswerHasNoStatus(std::uint8_t command)
{
    switch (command) {
    case 93: case 148: case 149: case 150: case 151: case 155: return true;
    default: return false;
    }
}

}
