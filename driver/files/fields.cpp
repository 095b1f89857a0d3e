#include "driver/files/fields.h"

#include <algorithm>

#include <kelvo/kelvodrv.h>

#include "driver/core/sealed.h"
#include "driver/files/text.h"
#include "driver/core/context.h"

namespace kelvo::drv {

namespace {

// Remembers k as the field last taken from the last line read, when the text
// is that line (without its sign), so the run report can point at it.
void noteFieldTaken(std::string_view text, unsigned k)
{
    if (ctx.lastReadHandle == static_cast<std::uint8_t>(ctx.files.comment & 0xFF) && ctx.files.comment != kClosedHandle)
        return;
    const std::string upper = upperCased(text);
    const auto sameLine = [&upper](const std::string& line) {
        return !line.empty() && upperCased(std::string_view(line).substr(1)) == upper;
    };
    if (sameLine(ctx.reading.lastInputLine))
        ctx.reading.inputFieldNumber = static_cast<std::uint8_t>(k);
    if (sameLine(ctx.reading.lastOtherLine))
        ctx.reading.otherFieldNumber = static_cast<std::uint8_t>(k);
}

}

bool subField(std::string_view text, unsigned k, char separator, std::string& field)
{
    field.clear();
    if (k == 0 || text.empty())
        return false;
    std::size_t start = 0;
    for (unsigned skipped = 1; skipped < k; ++skipped) {
        const auto next = text.find(separator, start);
        if (next == std::string_view::npos)
            return false;
        start = next + 1;
    }
    if (start >= text.size() || text[start] == separator)
        return false;
    field = text.substr(start, text.find(separator, start) - start);
    return true;
}

bool lineField(std::string_view line, unsigned k, std::string& field)
{
    noteFieldTaken(line, k);
    return subField(line, k, '\t', field);
}

bool lineFieldOrEmpty(std::string_view line, unsigned k, std::string& field)
{
    if (lineField(line, k, field))
        return true;
    return k <= tabCount(line) + 1;
}

unsigned tabCount(std::string_view text)
{
    return static_cast<unsigned>(std::count(text.begin(), text.end(), '\t'));
}

}

using namespace kelvo::drv;

namespace {

// Field k of the caller's line, taken by the rule given, into the caller's
// buffer; 1 when the line has it.
unsigned char storeField(const char* line, unsigned char k, char* field,
    bool (*take)(std::string_view, unsigned, std::string&))
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        std::string taken;
        const bool found = take(bufferText(line), k, taken);
        storeText(field, taken);
        return found ? 1 : 0;
    });
}

}

extern "C" {

KELVODRV_API unsigned char NapisZawieraDana(const char* line, unsigned char k, char* field)
{
    return storeField(line, k, field, lineField);
}

KELVODRV_API unsigned char NapisZawieraDanaLubPustyString(const char* line, unsigned char k, char* field)
{
    return storeField(line, k, field, lineFieldOrEmpty);
}

KELVODRV_API unsigned char IleZnakowOddzielajacychDaneZawieraNapis(const char* line)
{
    return kelvo::drv::sealed(static_cast<unsigned char>(0), [&]() -> unsigned char {
        return static_cast<unsigned char>(std::min(tabCount(bufferText(line)), 255u));
    });
}

}
