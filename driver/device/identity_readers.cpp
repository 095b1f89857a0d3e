#include "driver/device/identity_readers.h"

#include "driver/core/model_table.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kInformationRequest = 29;
constexpr std::uint8_t kInformationSubRequest = 3;

InformationBlock& slotOf(std::uint8_t block)
{
    return ctx.device.blocks[block == 0 ? 0 : block == 1 ? 1 : 2];
}

std::optional<std::uint8_t> availableByte(const InformationBlock& slot, std::uint8_t index)
{
    if (index > slot.validCount || index >= slot.bytes.size())
        return std::nullopt;
    return slot.bytes[index];
}

ExchangeBuffer& buffer()
{
    return ctx.request.buffer;
}

// Request 254 answers device code, version and letter together; a register
// that does not know it is asked with requests 255 and 91.
bool readOlderIdentity()
{
    DeviceIdentity& d = ctx.device;
    request(254, 4, 0, 0);
    if (isSuccess()) {
        d.deviceCode.set(buffer().answer(1));
        d.version.set(buffer().answer(2));
        d.versionLetter.set(std::string(1, static_cast<char>(buffer().answer(3))));
        return true;
    }
    if (!conditionIs(condition::Nak))
        return false;
    storeCondition(condition::Success);
    request(255, 2, 0, 0);
    if (!isSuccess())
        return false;
    d.deviceCode.set(buffer().answer(1));
    request(91, 2, 0, 0);
    if (!isSuccess())
        return false;
    d.version.set(static_cast<std::uint8_t>(buffer().answer(1) / 16));
    d.versionLetter.set({});
    return true;
}

// Reads an item from block 0 when it is there, else by the fallback.
template <typename Item, typename FromByte, typename Fallback>
bool fromBlockOr(Item& item, std::uint8_t block, std::uint8_t index, FromByte fromByte, Fallback fallback)
{
    if (item.known)
        return true;
    if (const auto byte = informationByte(block, index)) {
        item.set(fromByte(*byte));
        return true;
    }
    return isSuccess() && fallback();
}

bool blockText(std::uint8_t block, std::uint8_t first, std::uint8_t count, std::string& text)
{
    text.clear();
    for (std::uint8_t i = 0; i < count; ++i) {
        const auto byte = informationByte(block, static_cast<std::uint8_t>(first + i));
        if (!byte)
            return false;
        text.push_back(static_cast<char>(*byte));
    }
    return true;
}

// Reads a text item from a block when it is there, else by the fallback.
template <typename Fallback>
bool textFromBlockOr(Known<std::string>& item, std::uint8_t block, std::uint8_t first, std::uint8_t count,
    Fallback fallback)
{
    if (item.known)
        return true;
    std::string text;
    if (blockText(block, first, count, text)) {
        item.set(text);
        return true;
    }
    return isSuccess() && fallback();
}

bool registerNumberFromRequest()
{
    request(192, 3, 0, 0);
    if (!isSuccess())
        return false;
    ctx.device.registerNumber.set(
        std::string {static_cast<char>(buffer().answer(1)), static_cast<char>(buffer().answer(2))});
    return true;
}

bool uniqueNumberFromRequest()
{
    const std::uint8_t code = ctx.device.deviceCode.value;
    std::uint8_t length = 11;
    bool blankAfterThird = false;
    if (hasTwelveCharacterUniqueNumber(code, ctx.device.version.value, ctx.device.versionLetter.value))
        length = 12;
    else
        blankAfterThird = uniqueNumberHasBlank(code);
    request(113, static_cast<std::uint8_t>(length + 1), 0, 0);
    if (conditionIs(condition::Nak)) {
        storeCondition(condition::Success);
        request(84, 2, 0, 0);
        if (isSuccess())
            storeCondition((buffer().answer(1) & 0x10) ? condition::NotSupported : condition::Nak);
        return false;
    }
    if (!isSuccess())
        return false;
    const std::uint8_t taken = isKametRow(code) ? 9 : length;
    std::string text;
    for (unsigned k = 1; k <= taken; ++k)
        text.push_back(static_cast<char>(buffer().answer(k)));
    if (blankAfterThird)
        text.insert(3, 1, ' ');
    ctx.device.uniqueNumber.set(text);
    return true;
}

}

std::optional<std::uint8_t> informationByte(std::uint8_t block, std::uint8_t index)
{
    InformationBlock& slot = slotOf(block);
    if (slot.state == InformationBlock::State::Read)
        return availableByte(slot, index);
    for (const InformationBlock& other : ctx.device.blocks)
        if (other.state == InformationBlock::State::NotSupported)
            return std::nullopt;
    if (!isSuccess())
        return std::nullopt;
    buffer().requestData(1) = kInformationSubRequest;
    buffer().requestData(2) = block;
    request(kInformationRequest, 1, 2, 131);
    if (conditionIs(condition::Nak)) {
        storeCondition(condition::Success);
        slot.state = InformationBlock::State::NotSupported;
        return std::nullopt;
    }
    if (!isSuccess())
        return std::nullopt;
    slot.validCount = buffer().answer(1);
    for (unsigned i = 0; i < slot.bytes.size(); ++i)
        slot.bytes[i] = buffer().answer(2 + i);
    slot.state = InformationBlock::State::Read;
    return availableByte(slot, index);
}

bool readDeviceCode()
{
    return fromBlockOr(ctx.device.deviceCode, 0, 0, [](std::uint8_t b) { return b; }, readOlderIdentity);
}

bool readVersion()
{
    return fromBlockOr(ctx.device.version, 0, 1, [](std::uint8_t b) { return b; }, readOlderIdentity);
}

bool readVersionLetter()
{
    return fromBlockOr(ctx.device.versionLetter, 0, 2,
        [](std::uint8_t b) { return std::string(1, static_cast<char>(b)); }, readOlderIdentity);
}

bool readUniqueNumber()
{
    return textFromBlockOr(ctx.device.uniqueNumber, 128, 21, 12, uniqueNumberFromRequest);
}

bool readRegisterNumber()
{
    return textFromBlockOr(ctx.device.registerNumber, 128, 1, 2, registerNumberFromRequest);
}

bool readModelName()
{
    if (ctx.device.modelName.known)
        return true;
    std::string text;
    if (blockText(1, 0, 24, text)) {
        // The name is padded with blanks (or NULs) to its 24 bytes.
        const auto first = text.find_first_not_of(std::string_view(" \0", 2));
        const auto last = text.find_last_not_of(std::string_view(" \0", 2));
        ctx.device.modelName.set(first == std::string::npos ? std::string() : text.substr(first, last - first + 1));
        return true;
    }
    if (!isSuccess())
        return false;
    ctx.device.modelName.set(std::string(modelName(modelRow(ctx.device.deviceCode.value))));
    return true;
}

bool readLineWidth()
{
    return fromBlockOr(ctx.device.lineWidth, 0, 21, [](std::uint8_t b) { return b; }, [] {
        ctx.device.lineWidth.set(lineWidthOf(ctx.device.deviceCode.value));
        return true;
    });
}

bool readHeaderLineCount()
{
    return fromBlockOr(ctx.device.headerLineCount, 0, 23, [](std::uint8_t b) { return b; }, [] {
        ctx.device.headerLineCount.set(headerLineCountOf(ctx.device.deviceCode.value));
        return true;
    });
}

bool readGeneration()
{
    if (ctx.device.generation.known)
        return true;
    const std::uint8_t code = ctx.device.deviceCode.value;
    const bool none = isGilonRow(code) || isVotraKRowGroup(code) || isVotraRowGroup(code);
    ctx.device.generation.set(none ? "0" : isSecondGeneration(code) ? "II" : "I");
    return true;
}

bool readMemoryGeometry()
{
    DeviceIdentity& d = ctx.device;
    const auto wordAt = [](std::uint8_t index) -> std::optional<std::uint16_t> {
        const auto high = informationByte(0, index);
        const auto low = informationByte(0, static_cast<std::uint8_t>(index + 1));
        if (!high || !low)
            return std::nullopt;
        return static_cast<std::uint16_t>((*high << 8) | *low);
    };
    if (!d.memorySize.known) {
        const auto blocks = informationByte(0, 72);
        d.memorySize.set(blocks ? (static_cast<std::uint32_t>(*blocks) + 1) * 65536 : 131072);
    }
    if (!d.recordLimit.known) {
        const auto records = wordAt(30);
        // A memory of no records has no last index; 65535 would name no record.
        if (records == 0) {
            failWith(condition::WrongAnswer);
            return false;
        }
        d.recordLimit.set(records ? static_cast<std::uint16_t>(*records - 1) : 2059);
    }
    if (!d.recordLength.known)
        d.recordLength.set(informationByte(0, 32).value_or(63));
    if (!d.headerOffset.known)
        d.headerOffset.set(wordAt(33).value_or(256));
    if (!d.blockOneFlag.known) {
        const auto flags = informationByte(1, 48);
        d.blockOneFlag.set(flags ? (*flags & 1) != 0 : true);
    }
    return isSuccess();
}

std::optional<std::uint8_t> registerNumberValue()
{
    const std::string& text = ctx.device.registerNumber.value;
    if (!ctx.device.registerNumber.known || text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0'
        || text[1] > '9')
        return std::nullopt;
    return static_cast<std::uint8_t>((text[0] - '0') * 10 + (text[1] - '0'));
}

}
