#include "driver/core/result_codes.h"

#include "driver/core/context.h"

namespace kelvo::drv {

std::uint8_t resultCodeFor(std::uint8_t condition, const LineErrorFlags& lineErrors)
{
    if (condition == condition::TransmitTimeout || condition == condition::ReceiveTimeout) {
        if (lineErrors.overrun)
            return condition::TimeoutOverrun;
        if (lineErrors.parity)
            return condition::TimeoutParity;
        if (lineErrors.framing)
            return condition::TimeoutFraming;
    }
    if (condition <= 77)
        return condition;
    if (condition <= 82)
        return static_cast<std::uint8_t>(condition - 78 + 101);
    if (condition <= 94)
        return static_cast<std::uint8_t>(condition - 83 + 107);
    if (condition <= 107)
        return static_cast<std::uint8_t>(condition - 95 + 200);
    if (condition == 108)
        return 215;
    if (condition == 109)
        return 217;
    if (condition <= 122)
        return static_cast<std::uint8_t>(condition - 110 + 220);
    if (condition == 123)
        return kRegisterErrorCode;
    return condition;
}

std::uint8_t conditionForResult(std::uint8_t resultCode)
{
    for (unsigned condition = 0; condition <= condition::RegisterError; ++condition)
        if (resultCodeFor(static_cast<std::uint8_t>(condition), {}) == resultCode)
            return static_cast<std::uint8_t>(condition);
    return resultCode;
}

void storeCondition(std::uint8_t condition)
{
    ctx.outcome.resultCode = resultCodeFor(condition, ctx.lineErrors);
}

bool isSuccess()
{
    return ctx.outcome.resultCode == resultCodeFor(condition::Success, ctx.lineErrors);
}

void failWith(std::uint8_t condition)
{
    if (isSuccess())
        storeCondition(condition);
}

}
