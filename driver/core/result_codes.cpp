#include "driver/core/result_codes.h"

#include "driver/core/context.h"

namespace kelvo::drv {

std::uint8_t conditionOfRegisterStatus(std::uint8_t s)
{
    if (s >= 1 && s <= 5)
        return static_cast<std::uint8_t>(s + 77);
    if (s >= 7 && s <= 18)
        return static_cast<std::uint8_t>(s + 76);
    if (s >= 100 && s <= 112)
        return static_cast<std::uint8_t>(s - 5);
    if (s == 115)
        return 108;
    if (s == 117)
        return 109;
    if (s >= 120 && s <= 132)
        return static_cast<std::uint8_t>(s - 10);
    return condition::RegisterError;
}

void storeCondition(std::uint8_t condition)
{
    ctx.outcome.resultCode = resultCodeFor(condition, ctx.lineErrors);
}

bool conditionIs(std::uint8_t condition)
{
    return ctx.outcome.resultCode == resultCodeFor(condition);
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
