#include "frontend/logic/parameter_files.h"

#include <cstdio>
#include <kelvo/kelvodrv.h>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/report_kinds.h"
#include "platform/file_access.h"
#include "platform/safe_replace.h"

namespace kelvo::frontend {

namespace {

constexpr std::size_t kPlainLineLimit = 99;
constexpr char kLineBreak[] = "\r\n";

// Replaces the file under its name, or the name it has in the folder in
// another case, with the text; nothing when it cannot be written.
void writeFileText(const std::string& name, const std::string& text)
{
    platform::replaceFile(platform::resolveFileName(name), text, platform::FileAccess::AsBefore);
}

std::string inputHeader(std::uint8_t registerNumber)
{
    return "#" + std::to_string(registerNumber) + kLineBreak + "#" + kLineBreak + "#" + kLineBreak;
}

}

std::string configurationLine(const ParameterRecord& r, std::uint8_t registerNumber)
{
    if (!r.linkPort.empty())
        return "$" + std::to_string(registerNumber) + "\t" + r.linkPort + "\t" + std::to_string(r.portTimeout)
            + (r.linkTail.empty() ? "" : "\t" + r.linkTail);
    return "$" + std::to_string(registerNumber) + "\tCOM" + std::to_string(r.port) + ":" + std::to_string(r.speed)
        + ":MUX" + std::to_string(r.multiplexerType) + ":" + std::to_string(r.channel) + "\t"
        + std::to_string(r.portTimeout) + "\tKELVO";
}

std::string reportLine(const ParameterRecord& r)
{
    const ReportKindInfo& kind = reportKind(r.reportKind);
    if (kind.kind == 0)
        return {};
    return std::to_string(kind.kind) + withBounds(kind.inputFields, r, BoundUse::InputLine);
}

void writeParameterFiles(const ParameterRecord& record, std::uint8_t registerNumber)
{
    writeFileText(KELVODRV_CONFIGURATION_FILE, configurationLine(record, registerNumber));
    writeFileText(KELVODRV_NUMBER_INPUT_FILE, inputHeader(registerNumber) + "$" + (record.speed == 9600 ? "NONE" : "MARK") + "\t0");
    writeFileText(KELVODRV_INPUT_FILE, inputHeader(registerNumber) + "$" + reportLine(record));
}

std::optional<std::uint8_t> registerNumberFromOutput(const std::string& path)
{
    int handle = -1;
    if (OtwartoPlik(&handle, path.c_str(), 0) == 0)
        return std::nullopt;
    char line[1024] {};
    unsigned char wrongKind = 0;
    for (int header = 0; header < 3; ++header)
        OdczytanoZPlikuLinieDanych(handle, line, &wrongKind);
    std::optional<std::uint8_t> number;
    char field[1024] {};
    unsigned char value = 0;
    if (OdczytanoZPlikuLinieDanych(handle, line, &wrongKind) != 0 && NapisZawieraDana(line, 1, field) != 0
        && PoprawnaLiczbaTypuByte(field, &value) != 0 && value <= 99)
        number = value;
    ZamknieciePliku(&handle);
    return number;
}

std::vector<std::string> plainLines(const std::string& path, std::size_t count)
{
    std::vector<std::string> lines;
    std::FILE* file = std::fopen(platform::resolveFileName(path).c_str(), "rb");
    if (file == nullptr)
        return lines;
    std::string line;
    bool open = false;
    for (int c = 0; lines.size() < count && (c = std::fgetc(file)) != EOF;) {
        open = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line.substr(0, kPlainLineLimit));
            line.clear();
            open = false;
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    if (open && lines.size() < count)
        lines.push_back(line.substr(0, kPlainLineLimit));
    std::fclose(file);
    return lines;
}

}
