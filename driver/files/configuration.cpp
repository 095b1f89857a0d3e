#include "driver/files/configuration.h"

#include <array>
#include <optional>

#include "driver/files/fields.h"
#include "driver/files/local_time.h"
#include "driver/files/text.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/frame/result_codes.h"

namespace kelvo::drv {

namespace {

constexpr std::string_view kVersionTag = "WIN 9.11.2010";
constexpr std::size_t kLinkIdentifierLength = 8;

struct MultiplexerType {
    LinkKind kind;
    bool extendedSettings;
    std::uint8_t channelSwitching;
    std::uint8_t firstChannel;
    std::uint8_t lastChannel;
};

// Types 0 to 8; every higher type refuses every channel.
constexpr std::array<MultiplexerType, 9> kMultiplexerTypes {{
    {LinkKind::Serial, false, 0, 0, 1},
    {LinkKind::Serial, false, 1, 0, 4},
    {LinkKind::ConverterSerial, true, 1, 1, 8},
    {LinkKind::Serial, false, 3, 1, 8},
    {LinkKind::Serial, false, 2, 1, 8},
    {LinkKind::Tcp, true, 1, 1, 4},
    {LinkKind::Tcp, false, 1, 0, 4},
    {LinkKind::Serial, true, 1, 1, 4},
    {LinkKind::ConverterSerial, true, 2, 1, 16},
}};

// The number in a text of the form prefix + decimal number without leading
// zeros, within [minimum, maximum].
std::optional<unsigned> prefixedNumber(std::string_view text, std::string_view prefix, unsigned minimum, unsigned maximum)
{
    if (!text.starts_with(prefix))
        return std::nullopt;
    const std::string_view digits = text.substr(prefix.size());
    if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

bool isLinkIdentifier(std::string_view text)
{
    return text.size() == kLinkIdentifierLength;
}

// Sets the line speed and channel of links whose extended-settings flag is
// set; false when the speed does not suit the link.
bool setLineValues(ConnectionSettings& c)
{
    c.lineChannel = c.channel;
    switch (c.derived.kind) {
    case LinkKind::Serial:
        c.lineSpeed = 9600;
        return true;
    case LinkKind::ConverterSerial:
        if (c.speed != 9600 && c.speed != 19200)
            return false;
        c.lineSpeed = c.speed;
        c.speed = 57600;
        c.channel = 2;
        return true;
    case LinkKind::Tcp:
        for (std::uint32_t allowed : {9600u, 19200u, 28800u, 38400u, 57600u, 115200u})
            if (c.speed == allowed) {
                c.lineSpeed = c.speed;
                return true;
            }
        return false;
    }
    return false;
}

struct SubFields {
    std::string_view text;
    std::string value;
    bool take(unsigned k) { return subField(text, k, kSubFieldSeparator, value); }
};

bool readConverterSerialSettings(std::string_view field, ConnectionSettings& c)
{
    SubFields f {field, {}};
    if (!f.take(1))
        return false;
    const char mode = upperCased(f.value.substr(0, 1))[0];
    if (mode != 'P' && mode != 'T')
        return false;
    c.converterMode = mode;
    if (!f.take(2) || !isLinkIdentifier(f.value))
        return false;
    c.linkIdentifier = f.value;
    std::optional<std::uint16_t> word;
    if (!f.take(3) || !(word = parseWord(f.value)))
        return false;
    c.converterWord = *word;
    if (!f.take(4) || !(word = parseWord(f.value)))
        return false;
    c.extendedTimeout = *word;
    std::optional<std::uint8_t> parameter;
    if (!f.take(5) || !(parameter = parseByte(f.value)))
        return false;
    c.linkParameter = *parameter;
    return true;
}

bool readTcpSettings(std::string_view field, ConnectionSettings& c)
{
    SubFields f {field, {}};
    if (!f.take(1))
        return false;
    c.remoteText = f.value;
    std::optional<std::uint16_t> word;
    if (!f.take(2) || !(word = parseWord(f.value)))
        return false;
    c.remoteWord = *word;
    if (!f.take(3))
        return false;
    c.host = f.value;
    if (!f.take(4) || !(word = parseWord(f.value)))
        return false;
    c.tcpPort = *word;
    const bool identifierGiven = f.take(5);
    if (c.derived.extendedSettings && !(identifierGiven && isLinkIdentifier(f.value)))
        return false;
    c.linkIdentifier = f.value;
    if (!f.take(6) || !(word = parseWord(f.value)))
        return false;
    c.extendedTimeout = *word;
    std::optional<std::uint8_t> parameter;
    if (!f.take(7) || !(parameter = parseByte(f.value)))
        return false;
    c.linkParameter = *parameter;
    return true;
}

bool readConverterChannelSettings(std::string_view field, ConnectionSettings& c)
{
    SubFields f {field, {}};
    if (!f.take(1) || !isLinkIdentifier(f.value))
        return false;
    c.linkIdentifier = f.value;
    std::optional<std::uint16_t> word;
    if (!f.take(2) || !(word = parseWord(f.value)))
        return false;
    c.extendedTimeout = *word;
    std::optional<std::uint8_t> parameter;
    if (!f.take(3) || !(parameter = parseByte(f.value)))
        return false;
    c.linkParameter = *parameter;
    return true;
}

bool readExtendedSettings(std::string_view line, std::string& field, ConnectionSettings& c)
{
    const bool needed = c.derived.kind != LinkKind::Serial || c.derived.extendedSettings;
    if (!needed)
        return true;
    if (!lineField(line, 5, field))
        return false;
    switch (c.derived.kind) {
    case LinkKind::ConverterSerial: return readConverterSerialSettings(field, c);
    case LinkKind::Tcp: return readTcpSettings(field, c);
    case LinkKind::Serial: return readConverterChannelSettings(field, c);
    }
    return false;
}

// Checks the line for the wanted register and, when every field is right,
// makes it the command's connection and header lines.
bool acceptLine(std::string_view line, std::string_view registerField)
{
    ConnectionSettings c = ctx.connection;
    std::string port;
    std::string timeoutText;
    std::string identifier;
    std::string extended;
    if (!lineField(line, 2, port) || !checkPortSpecification(port, c))
        return false;
    std::optional<std::uint16_t> timeout;
    if (!lineField(line, 3, timeoutText) || !(timeout = parseWord(timeoutText)))
        return false;
    const bool identifierGiven = lineField(line, 4, identifier);
    if (!identifierGiven && c.derived.extendedSettings)
        return false;
    if (!readExtendedSettings(line, extended, c))
        return false;

    c.writeTimeout = *timeout;
    c.readTimeout = *timeout;
    ctx.connection = c;

    const LocalStamp stamp = localStamp();
    std::string header1;
    appendThree(header1, registerField, "\t", port);
    appendThree(header1, "\t", timeoutText, "\t");
    appendThree(header1, stamp.date, "\t", stamp.time);
    appendThree(header1, "\t", ctx.names.command(), "\t");
    appendThree(header1, kVersionTag, "\t", ctx.names.input());
    if (ctx.switches.hasOutputFile)
        appendThree(header1, "\t", ctx.names.output(), "");
    ctx.headers.line[0] = boundedText(header1);

    std::string header3 = identifierGiven
        ? identifier + " (identyfikator z pliku " + ctx.paths.configuration + ")"
        : std::string("Kelvo (identyfikator domyslny)");
    if (c.derived.extendedSettings)
        appendThree(header3, "\t", extended, "");
    ctx.headers.line[2] = boundedText(header3);
    return true;
}

}

bool checkPortSpecification(std::string_view field, ConnectionSettings& connection)
{
    const std::string cleaned = cleanedField(field);
    std::array<std::string, 4> parts;
    for (unsigned k = 0; k < parts.size(); ++k)
        if (!subField(cleaned, k + 1, kSubFieldSeparator, parts[k]))
            return false;
    const auto port = prefixedNumber(parts[0], "COM", 1, 255);
    const auto speed = parseLongInRange(parts[1], 1, 115200);
    const auto type = prefixedNumber(parts[2], "MUX", 0, 255);
    const auto channel = parseByte(parts[3]);
    if (!port || !speed || !type || !channel || *type >= kMultiplexerTypes.size())
        return false;
    const MultiplexerType& mux = kMultiplexerTypes[*type];
    if (*channel < mux.firstChannel || *channel > mux.lastChannel)
        return false;

    ConnectionSettings c = connection;
    c.portNumber = static_cast<std::uint8_t>(*port);
    c.speed = *speed;
    c.multiplexerType = static_cast<std::uint8_t>(*type);
    c.derived = {mux.kind, mux.extendedSettings, mux.channelSwitching, mux.firstChannel == 0 && *channel != 0};
    c.channel = *channel == 0 ? 1 : *channel;
    c.lineParity = mux.kind == LinkKind::ConverterSerial ? 0 : 2;
    if (mux.extendedSettings && !setLineValues(c))
        return false;
    if (parts[0] + ":" + parts[1] + ":" + parts[2] + ":" + parts[3] != cleaned)
        return false;
    connection = c;
    return true;
}

void readConfiguration()
{
    bool firstLine = true;
    std::string line;
    while (isSuccess()) {
        bool wrongKind = false;
        if (!readDataLine(ctx.files.configuration, line, wrongKind)) {
            storeCondition(wrongKind ? condition::ConfigurationFormat
                    : firstLine      ? condition::ConfigurationIncomplete
                                     : condition::ConfigurationNoLine);
            return;
        }
        firstLine = false;
        storeCondition(condition::ConfigurationFormat);
        std::string registerField;
        std::optional<std::uint8_t> number;
        if (!lineField(line, 1, registerField) || !(number = parseByte(registerField)))
            return;
        if (*number != ctx.registerNumber) {
            storeCondition(condition::Success);
            continue;
        }
        if (acceptLine(line, registerField))
            storeCondition(condition::Success);
        return;
    }
}

}
