// kelvo_guide_codes ADVICE GUIDE: prints the Polish guide GUIDE with its
// table of result codes made anew between its two marker lines, from the
// front end's own message for each code and the advice file ADVICE (lines
// "codes<TAB>advice", the codes as "30,32-43,45", or "status<TAB>advice" for
// the register's refusals). A code with a message but no advice, or advice for a
// code without a message, is an error: the table cannot drift from the
// program.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "frontend/logic/driver_messages.h"

namespace {

constexpr std::string_view kBegin = "<!-- tabela kodów: początek";
constexpr std::string_view kEnd = "<!-- tabela kodów: koniec";
// The register's refusals share one text but for the status they name.
constexpr std::string_view kStatusFamily = ": KASA ODRZUCIŁA ROZKAZ (STATUS ";

struct Advice {
    std::map<int, std::string> byCode;
    std::optional<std::string> status;
};

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Advice readAdvice(const std::string& path)
{
    Advice advice;
    std::istringstream lines(readAll(path));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.starts_with('#'))
            continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            throw std::runtime_error(path + ": no tab in \"" + line + "\"");
        const std::string key = line.substr(0, tab);
        const std::string text = line.substr(tab + 1);
        if (key == "status") {
            advice.status = text;
            continue;
        }
        std::istringstream parts(key);
        for (std::string part; std::getline(parts, part, ',');) {
            const std::size_t dash = part.find('-');
            const int first = std::stoi(part.substr(0, dash));
            const int last = dash == std::string::npos ? first : std::stoi(part.substr(dash + 1));
            for (int code = first; code <= last; ++code)
                if (!advice.byCode.emplace(code, text).second)
                    throw std::runtime_error(path + ": code " + std::to_string(code) + " advised twice");
        }
    }
    return advice;
}

// "102–105, 107–118" for the codes in order.
std::string ranges(const std::vector<int>& codes)
{
    std::string text;
    for (std::size_t k = 0; k < codes.size();) {
        std::size_t end = k;
        while (end + 1 < codes.size() && codes[end + 1] == codes[end] + 1)
            ++end;
        text += (text.empty() ? "" : ", ") + std::to_string(codes[k]);
        if (end > k)
            text += "–" + std::to_string(codes[end]);
        k = end + 1;
    }
    return text;
}

std::string table(Advice advice)
{
    std::string rows = "| Kod | Komunikat programu | Co zrobić |\n|---|---|---|\n";
    std::vector<int> statusCodes;
    for (int code = 1; code <= 255; ++code) {
        const std::string description = kelvo::frontend::driverErrorDescription(static_cast<std::uint8_t>(code));
        if (description.empty())
            continue;
        if (description.starts_with(kStatusFamily)) {
            statusCodes.push_back(code);
            continue;
        }
        const auto found = advice.byCode.find(code);
        if (found == advice.byCode.end())
            throw std::runtime_error("no advice for code " + std::to_string(code) + description);
        rows += "| " + std::to_string(code) + " | " + kelvo::frontend::driverErrorMessage(static_cast<std::uint8_t>(code))
            + " | " + found->second + " |\n";
        advice.byCode.erase(found);
    }
    if (!advice.byCode.empty())
        throw std::runtime_error("advice for code " + std::to_string(advice.byCode.begin()->first)
            + ", for which the program has no message");
    if (!statusCodes.empty()) {
        if (!advice.status)
            throw std::runtime_error("no advice for the register's refusals (status)");
        rows += "| " + ranges(statusCodes) + " | BŁĄD NUMER *n*" + std::string(kStatusFamily) + "*n* − 100) | "
            + *advice.status + " |\n";
    }
    return rows;
}

std::string guideWithTable(const std::string& guide, const std::string& rows)
{
    const std::size_t begin = guide.find(kBegin);
    const std::size_t end = guide.find(kEnd);
    if (begin == std::string::npos || end == std::string::npos || end < begin)
        throw std::runtime_error("the guide lacks the marker lines of the code table");
    const std::size_t afterBegin = guide.find('\n', begin) + 1;
    return guide.substr(0, afterBegin) + rows + guide.substr(end);
}

}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: kelvo_guide_codes ADVICE GUIDE > NEW_GUIDE\n";
        return 2;
    }
    try {
        std::cout << guideWithTable(readAll(argv[2]), table(readAdvice(argv[1])));
    } catch (const std::exception& e) {
        std::cerr << "kelvo_guide_codes: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
