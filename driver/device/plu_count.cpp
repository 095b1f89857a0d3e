#include "driver/device/plu_count.h"

#include <optional>

#include "driver/core/model_table.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

enum class Probe { Within, Beyond };

constexpr std::uint16_t kHighestArticle = 65535;

// Asks for one article: within the capacity (answered, or "not programmed"),
// beyond it, or a failure.
std::optional<Probe> probeArticle(std::uint16_t article)
{
    ExchangeBuffer& buffer = ctx.request.buffer;
    buffer.requestData(1) = static_cast<std::uint8_t>(article & 0xFF);
    buffer.requestData(2) = static_cast<std::uint8_t>(article >> 8);
    if (isLundaFioraOrPalmoRow(ctx.device.deviceCode.value))
        request(172, 1, 2, 36);
    else
        request(230, 1, 2, 2);
    const bool beyond = conditionIs(condition::ArticleBeyondCapacity);
    if (isSuccess() || beyond || conditionIs(condition::ArticleNotProgrammed)) {
        storeCondition(condition::Success);
        return beyond ? Probe::Beyond : Probe::Within;
    }
    return std::nullopt;
}

bool bisect()
{
    std::uint32_t lower = 1;
    std::uint32_t upper = kHighestArticle;
    std::uint32_t probe = kHighestArticle;
    bool lowerWithin = false;  // the lower bound itself was answered as within
    for (;;) {
        const auto answer = probeArticle(static_cast<std::uint16_t>(probe));
        if (!answer)
            return false;
        if (*answer == Probe::Beyond) {
            // Even article 1 beyond the capacity: the register holds none.
            if (probe <= lower) {
                ctx.device.pluCount = 0;
                return true;
            }
            upper = probe;
        } else {
            lower = probe;
            lowerWithin = true;
        }
        // Bounds next to each other settle the count; the lower bound is not
        // asked twice.
        if (lowerWithin && upper <= lower + 1) {
            ctx.device.pluCount = static_cast<std::uint16_t>(lower);
            return true;
        }
        probe = lower + (upper - lower) / 2;
    }
}

}

bool readPluCount()
{
    const std::uint8_t code = ctx.device.deviceCode.value;
    if (isGilonRow(code) || isVotraKRowGroup(code) || isVotraRowGroup(code)) {
        ctx.device.pluCount = 0;
        return true;
    }
    if (tellsPluCount(code)) {
        request(111, 3, 0, 0);
        if (isSuccess()) {
            ExchangeBuffer& buffer = ctx.request.buffer;
            ctx.device.pluCount = static_cast<std::uint16_t>(buffer.answer(1) | (buffer.answer(2) << 8));
            return true;
        }
        if (!conditionIs(condition::Nak))
            return false;
        storeCondition(condition::Success);
    }
    return bisect();
}

}
