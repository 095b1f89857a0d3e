#include "frontend/logic/user_paper.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <tuple>

namespace kelvo::frontend {

namespace {

constexpr std::array<std::tuple<std::string_view, double, double>, 8> kPapers {{
    {"a3", 297, 420},
    {"a4", 210, 297},
    {"a5", 148, 210},
    {"b5", 176, 250},
    {"letter", 215.9, 279.4},
    {"legal", 215.9, 355.6},
    {"executive", 184.15, 266.7},
    {"tabloid", 279.4, 431.8},
}};

// The countries whose locales print on Letter (the territory of "en_US.UTF-8").
constexpr std::array<std::string_view, 10> kLetterTerritories {"US", "CA", "MX", "CO", "VE", "CL", "PH", "PR", "GT", "CR"};

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// The first word of the first line that is not a comment.
std::string nameInFile(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const auto begin = std::find_if_not(line.begin(), line.end(), [](unsigned char c) { return std::isspace(c); });
        if (begin == line.end() || *begin == '#')
            continue;
        return std::string(begin, std::find_if(begin, line.end(), [](unsigned char c) { return std::isspace(c); }));
    }
    return {};
}

std::string localeName()
{
    for (const char* variable : {"LC_ALL", "LC_PAPER", "LANG"}) {
        const std::string value = environment(variable);
        if (!value.empty())
            return value;
    }
    return {};
}

bool usesLetter(const std::string& locale)
{
    const std::size_t underscore = locale.find('_');
    if (underscore == std::string::npos)
        return false;
    const std::string territory = locale.substr(underscore + 1, 2);
    return std::find(kLetterTerritories.begin(), kLetterTerritories.end(), territory) != kLetterTerritories.end();
}

}

bool paperNamed(const std::string& name, Paper& paper)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const auto& [known, width, height] : kPapers)
        if (known == lower) {
            paper = {std::string(known), width, height};
            return true;
        }
    return false;
}

Paper userPaper()
{
    Paper paper;
    std::string named = environment("PAPERSIZE");
    if (named.empty()) {
        const std::string file = environment("PAPERCONF");
        named = nameInFile(file.empty() ? std::string("/etc/papersize") : file);
    }
    if (paperNamed(named, paper))
        return paper;
    paperNamed(usesLetter(localeName()) ? "letter" : "a4", paper);
    return paper;
}

}
