#include "driver/reports/header_lines.h"

#include <algorithm>

#include "driver/device/identity_readers.h"
#include "driver/core/model_table.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"
#include "driver/reports/records.h"
#include "driver/transport/request.h"

namespace kelvo::drv {

namespace {

constexpr std::uint8_t kReadHeaderLine = 157;
constexpr std::uint8_t kDoubleWidth = 0x01;       // attribute of request 157
constexpr std::uint8_t kCopyFullWidth = 0x02;     // attribute of the fiscal memory copy
constexpr std::uint8_t kSaskaPelunAnswer = 42;

// Takes at most count characters from next; a zero byte or an erased byte
// (0xFF) ends the text early.
template <typename Next>
std::string takeText(std::size_t count, Next next)
{
    std::string text;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t c = next(k);
        if (c == 0 || c == 0xFF)
            break;
        text += static_cast<char>(c);
    }
    return text;
}

// A double-width text is printed with a blank after every character.
std::string spacedOut(const std::string& text)
{
    std::string spaced;
    for (const char c : text) {
        spaced += c;
        spaced += ' ';
    }
    return spaced;
}

// The last header line from the fiscal memory copy of the header.
bool lineFromCopy(std::uint8_t width, HeaderLine& line)
{
    if (!readHeaderCopy())
        return false;
    const bool fullWidth = (headerCopyByte(kHeaderCopyAttribute) & kCopyFullWidth) != 0;
    const std::size_t count = fullWidth ? width : width / 2;
    const std::string text = takeText(count, [](std::size_t k) { return headerCopyByte(kHeaderCopyLastLine + k); });
    line.attribute = fullWidth ? 0 : kDoubleWidth;
    line.text = fullWidth ? text : spacedOut(text);
    return true;
}

}

bool readHeaderLines()
{
    if (!isSuccess() || !readDeviceCode() || !readLineWidth() || !readHeaderLineCount())
        return false;
    DeviceIdentity& d = ctx.device;
    const std::uint8_t code = d.deviceCode.value;
    const std::uint8_t width = d.lineWidth.value;
    const std::uint8_t count = d.headerLineCount.value;
    // The Saska and Pelun rows answer 42 bytes whatever their printer's width;
    // the text kept is the printer's width of it.
    const std::uint8_t answerLength = isSaskaRow(code) || isPelunRow(code)
        ? kSaskaPelunAnswer
        : static_cast<std::uint8_t>(std::min(width + 2, 255));
    std::vector<HeaderLine>& lines = d.headerLines;

    while (lines.size() < count) {
        ExchangeBuffer& buffer = ctx.request.buffer;
        buffer.requestData(1) = static_cast<std::uint8_t>(lines.size() + 1);
        request(kReadHeaderLine, 1, 1, answerLength);
        if (conditionIs(condition::NotSupported)) {
            storeCondition(condition::Success);
            lines.resize(count, HeaderLine {0, std::string(width, ' ')});
            return lineFromCopy(width, lines.back());
        }
        if (!isSuccess())
            return false;
        HeaderLine line;
        line.attribute = buffer.answer(1);
        const bool doubleWidth = (line.attribute & kDoubleWidth) != 0;
        const std::size_t chars = std::min<std::size_t>(doubleWidth ? width / 2 : width, answerLength - 2);
        const std::string text = takeText(chars, [&](std::size_t k) { return buffer.answer(2 + k); });
        line.text = doubleWidth ? spacedOut(text) : text;
        lines.push_back(std::move(line));
    }
    return true;
}

}
