#include "driver/files/file_names.h"

#include "driver/files/text.h"

namespace kelvo::drv {

namespace {

std::size_t fileNameStart(std::string_view name)
{
    const auto last = name.find_last_of(":\\/");
    return last == std::string_view::npos ? 0 : last + 1;
}

}

std::string folderPart(std::string_view name)
{
    return std::string(name.substr(0, fileNameStart(name)));
}

std::string fileNamePart(std::string_view name)
{
    return std::string(name.substr(fileNameStart(name)));
}

std::string baseNamePart(std::string_view name)
{
    std::string file = fileNamePart(name);
    if (const auto dot = file.rfind('.'); dot != std::string::npos)
        file.resize(dot);
    return file;
}

bool sameFileName(std::string_view a, std::string_view b)
{
    return upperCased(fileNamePart(a)) == upperCased(fileNamePart(b));
}

}
