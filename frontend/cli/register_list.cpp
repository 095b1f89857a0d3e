#include "frontend/cli/register_list.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>

#include "frontend/logic/system_reason.h"
#include "frontend/logic/tcp_link.h"
#include "platform/file_access.h"
#include "platform/safe_replace.h"
#include "platform/user_config.h"

namespace kelvo::frontend::cli {

namespace {

constexpr char kListName[] = "kasy.txt";
// Far above 99 lines of 1023 characters, so that a file named by mistake is refused, not read whole.
constexpr std::size_t kLargestList = 1024 * 1024;
constexpr char kExample[] = " (np. $1<TAB>COM1:9600:MUX0:1<TAB>5<TAB>KELVO)";

bool isComment(const std::string& line)
{
    const auto first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == ';' || line[first] == '#';
}

bool isNumberIn(const std::string& text, unsigned long lowest, unsigned long highest)
{
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == '0')
        || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const unsigned long value = std::stoul(text);
    return value >= lowest && value <= highest;
}

// What is wrong with a register line, in Polish; empty when nothing.
std::string lineMistake(const std::string& line)
{
    if (!line.starts_with("$"))
        return std::string("wiersz kasy zaczyna się od „$”") + kExample;
    const auto fields = splitAt(line.substr(1), '\t');
    const bool blanksInside = std::any_of(fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(fields.size(), 3)),
        [](const std::string& field) { return field.find(' ') != std::string::npos; });
    if (blanksInside)
        return std::string("pola oddzielone spacjami zamiast tabulatorów (TAB)") + kExample;
    if (fields.size() < 3)
        return std::string("za mało pól; oczekiwane: numer kasy, port i czas oczekiwania, oddzielone tabulatorami") + kExample;
    if (!isNumberIn(fields[0], 1, 255))
        return "niepoprawny numer kasy „" + fields[0] + "”; dozwolone: od 1 do 255";
    static const std::regex port("COM[1-9][0-9]{0,2}:[0-9]{1,6}:MUX[0-8]:[0-9]{1,3}", std::regex::icase);
    if (!std::regex_match(fields[1], port))
        return "niepoprawny port „" + fields[1] + "”; dozwolone: COMn:SZYBKOŚĆ:MUXm:KANAŁ (np. COM1:9600:MUX0:1)";
    if (!isNumberIn(fields[2], 0, 65535))
        return "niepoprawny czas oczekiwania „" + fields[2] + "”; dozwolone: od 0 do 65535 sekund";
    return {};
}

}

std::string registerListFile()
{
    return platform::userConfigFile(kListName);
}

std::string registerNumberOf(const WrittenLine& line)
{
    return line.text.substr(1, line.text.find('\t') - 1);
}

RegisterList readRegisterList(const std::string& path)
{
    RegisterList list;
    const platform::FileContent content = platform::readRegularFile(path, kLargestList);
    if (content.error != 0) {
        list.problem = path + ": " + systemReason(content.error);
        return list;
    }
    const std::string text(content.bytes.begin(), content.bytes.end());
    std::map<std::string, std::size_t> numbers;  // register number → its line
    std::size_t lineNumber = 0;
    for (std::string line : splitAt(text, '\n')) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (isComment(line))
            continue;
        const std::string where = path + ", wiersz " + std::to_string(lineNumber) + ": ";
        if (const std::string mistake = lineMistake(line); !mistake.empty()) {
            list.problem = where + mistake;
            return list;
        }
        const WrittenLine written = writtenLine(line);
        const auto [known, added] = numbers.emplace(registerNumberOf(written), lineNumber);
        if (!added) {
            list.problem = where + "numer kasy " + known->first + " powtarza się (jest już w wierszu " + std::to_string(known->second) + ")";
            return list;
        }
        list.lines.push_back(written);
    }
    return list;
}

std::string addRegister(const std::string& path, const WrittenLine& line)
{
    if (path.empty())
        return "nie wiadomo, gdzie jest lista kas: brak zmiennych XDG_CONFIG_HOME i HOME";
    std::string text;
    std::error_code missing;
    if (std::filesystem::exists(path, missing)) {
        const RegisterList list = readRegisterList(path);
        if (!list.problem.empty())
            return list.problem;
        const std::string number = registerNumberOf(line);
        if (std::any_of(list.lines.begin(), list.lines.end(), [&](const WrittenLine& l) { return registerNumberOf(l) == number; }))
            return "kasa numer " + number + " jest już na liście " + path + "; usuń jej wiersz, aby dodać ją na nowo";
        const platform::FileContent content = platform::readRegularFile(path, kLargestList);
        text.assign(content.bytes.begin(), content.bytes.end());
        if (!text.empty() && text.back() != '\n')
            text += "\r\n";
    } else {
        text = "; Lista kas dla kelvor-cli --all: numer kasy, port, czas oczekiwania, identyfikator,\r\n"
               "; oddzielone tabulatorami, jak w KONFIG.TXT. Wiersze z ';' albo '#' na początku to komentarze.\r\n";
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (const int failure = platform::replaceFile(path, text + line.text + "\r\n", platform::FileAccess::AsBefore))
        return path + ": " + systemReason(failure);
    return {};
}

}
