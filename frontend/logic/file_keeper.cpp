#include "frontend/logic/file_keeper.h"

#include <fstream>
#include <iterator>

#include "platform/file_access.h"
#include "platform/safe_replace.h"

namespace kelvo::frontend {

FileKeeper::FileKeeper(std::string name) : name_(std::move(name))
{
    std::ifstream in(platform::resolveFileName(name_), std::ios::binary);
    if (in)
        text_.emplace(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void FileKeeper::restore() const
{
    const std::string path = platform::resolveFileName(name_);
    if (!text_) {
        platform::removeFile(path);
        return;
    }
    platform::replaceFile(path, *text_, platform::FileAccess::AsBefore);
}

}
