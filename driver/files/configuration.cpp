#include "driver/files/configuration.h"

#include <array>
#include <optional>

#include "driver/files/fields.h"
#include "driver/files/local_time.h"
#include "driver/files/text.h"
#include "driver/files/text_helpers.h"
#include "driver/files/textfile.h"
#include "driver/files/validators.h"
#include "driver/core/context.h"
#include "driver/core/result_codes.h"

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
bool setLineValues(ConnectionSettings& c, LinkKind kind)
{
    c.lineChannel = c.channel;
    switch (kind) {
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
        for (std::uint32_t allowed : kNetworkLineSpeeds)
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

// The link identifier at sub-field k; a field that does not need one may
// leave it out.
bool readLinkIdentifier(SubFields& f, unsigned k, bool required, ConnectionSettings& c)
{
    const bool given = f.take(k);
    if (required && !(given && isLinkIdentifier(f.value)))
        return false;
    c.linkIdentifier = f.value;
    return true;
}

// The tail every extended settings field ends with, from sub-field first on:
// the time-out in seconds and the link parameter.
bool readSettingsTail(SubFields& f, unsigned first, ConnectionSettings& c)
{
    std::optional<std::uint16_t> timeout;
    if (!f.take(first) || !(timeout = parseWord(f.value)))
        return false;
    c.extendedTimeout = *timeout;
    std::optional<std::uint8_t> parameter;
    if (!f.take(first + 1) || !(parameter = parseByte(f.value)))
        return false;
    c.linkParameter = *parameter;
    return true;
}

bool readConverterSerialSettings(std::string_view field, ConnectionSettings& c)
{
    SubFields f {field, {}};
    if (!f.take(1))
        return false;
    const char mode = upperCased(f.value.substr(0, 1))[0];
    if (mode != 'P' && mode != 'T')
        return false;
    c.converterMode = mode;
    if (!readLinkIdentifier(f, 2, true, c))
        return false;
    std::optional<std::uint16_t> word;
    if (!f.take(3) || !(word = parseWord(f.value)))
        return false;
    c.converterWord = *word;
    return readSettingsTail(f, 4, c);
}

bool readTcpSettings(std::string_view field, const LinkRoute& route, ConnectionSettings& c)
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
    return readLinkIdentifier(f, 5, route.extendedSettings, c) && readSettingsTail(f, 6, c);
}

bool readExtendedSettings(std::string_view line, std::string& field, const LinkRoute& route, ConnectionSettings& c)
{
    const bool needed = route.kind != LinkKind::Serial || route.extendedSettings;
    if (!needed)
        return true;
    if (!lineField(line, 5, field))
        return false;
    SubFields f {field, {}};
    switch (route.kind) {
    case LinkKind::ConverterSerial: return readConverterSerialSettings(field, c);
    case LinkKind::Tcp: return readTcpSettings(field, route, c);
    case LinkKind::Serial: return readLinkIdentifier(f, 1, true, c) && readSettingsTail(f, 2, c);
    }
    return false;
}

// Checks the line for the wanted register and, when every field is right,
// makes it the command's connection and header lines.
bool acceptLine(std::string_view line, std::string_view registerField)
{
    ConnectionSettings c = ctx.connection;
    LinkRoute route;
    std::string port;
    std::string timeoutText;
    std::string identifier;
    std::string extended;
    if (!lineField(line, 2, port) || !checkPortSpecification(port, c, route))
        return false;
    std::optional<std::uint16_t> timeout;
    if (!lineField(line, 3, timeoutText) || !(timeout = parseWord(timeoutText)))
        return false;
    const bool identifierGiven = lineField(line, 4, identifier);
    if (!identifierGiven && route.extendedSettings)
        return false;
    if (!readExtendedSettings(line, extended, route, c))
        return false;

    c.writeTimeout = *timeout;
    c.readTimeout = *timeout;
    ctx.connection = c;
    ctx.route = route;

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
    if (route.extendedSettings)
        appendThree(header3, "\t", extended, "");
    ctx.headers.line[2] = boundedText(header3);
    return true;
}

}

bool checkPortSpecification(std::string_view field, ConnectionSettings& connection, LinkRoute& route)
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
    const LinkRoute way {mux.kind, mux.extendedSettings, mux.channelSwitching, mux.firstChannel == 0 && *channel != 0};
    c.channel = *channel == 0 ? 1 : *channel;
    c.lineParity = mux.kind == LinkKind::ConverterSerial ? 0 : 2;
    if (mux.extendedSettings && !setLineValues(c, mux.kind))
        return false;
    if (parts[0] + ":" + parts[1] + ":" + parts[2] + ":" + parts[3] != cleaned)
        return false;
    connection = c;
    route = way;
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
