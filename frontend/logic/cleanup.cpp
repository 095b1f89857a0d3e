#include "frontend/logic/cleanup.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <kelvo/kelvodrv_contract.h>

#include "platform/file_access.h"

namespace kelvo::frontend {

namespace {

// Every report the driver writes carries this spaced-out title line.
constexpr std::string_view kReportMarker = "R A P O R T";

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool holdsReportText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head.find(kReportMarker) != std::string::npos;
}

}

bool isReportFileName(const std::string& name)
{
    const std::string l = lower(name);
    return l.size() > 4 && l.ends_with(".txt") && (l.find("_szcz") != std::string::npos || l.find("_skr") != std::string::npos);
}

void sweepWorkingFolder()
{
    for (const char* name : {KELVODRV_OUTPUT_FILE, "raport.txt", "ecrtbuf.txt", "debug.txt"})
        platform::removeFile(name);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && isReportFileName(name) && holdsReportText(entry.path()))
            platform::removeFile(name);
    }
}

void cleanUpOnQuit()
{
    sweepWorkingFolder();
    platform::removeFile(KELVODRV_INPUT_FILE_LOWER);
}

void cleanUpAtEnd()
{
    sweepWorkingFolder();
    for (const char* name : {KELVODRV_INPUT_FILE_LOWER, KELVODRV_NUMBER_INPUT_FILE_LOWER, KELVODRV_NUMBER_OUTPUT_FILE})
        platform::removeFile(name);
}

}
