#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

#include "driver/files/text.h"

namespace kelvo::fuzz {

void enterScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvo-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0)
        throw std::runtime_error("cannot make a scratch folder");
    // Every port leads to a name that is not there: no device is ever opened.
    for (int port = 1; port <= 255; ++port) {
        ::setenv(("KELVO_COM" + std::to_string(port)).c_str(), (pattern + "/no-port").c_str(), 1);
        ::setenv(("KELVO_LPT" + std::to_string(port)).c_str(), (pattern + "/no-port").c_str(), 1);
    }
    ::setenv("KELVO_VSP_FILE", (pattern + "/no-vsp").c_str(), 1);
    ::setenv("KELVO_BUS_DIR", (pattern + "/bus").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
}

void clearScratchFolder()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error))
        std::filesystem::remove_all(entry.path(), error);
}

void writeWholeFile(const std::string& name, std::string_view bytes)
{
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr)
        throw std::runtime_error("cannot write " + name);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::vector<std::string> splitInput(const std::uint8_t* data, std::size_t size, std::size_t parts)
{
    constexpr std::string_view kSeparator = "\n--\n";
    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> result;
    std::size_t start = 0;
    while (result.size() + 1 < parts) {
        const std::size_t at = whole.find(kSeparator, start);
        if (at == std::string_view::npos)
            break;
        result.emplace_back(whole.substr(start, at - start));
        start = at + kSeparator.size();
    }
    result.emplace_back(start <= whole.size() ? whole.substr(start) : std::string_view());
    result.resize(parts);
    return result;
}

std::unique_ptr<char[]> textBuffer(std::string_view text)
{
    auto buffer = std::make_unique<char[]>(drv::kTextBufferSize);
    const std::size_t length = std::min(text.size(), drv::kMaxTextLength);
    std::copy_n(text.begin(), length, buffer.get());
    buffer[length] = '\0';
    return buffer;
}

}
