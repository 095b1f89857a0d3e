#include "driver/files/text.h"

#include <cctype>
#include <cstring>

namespace kelvo::drv {

std::string_view bufferText(const char* text)
{
    if (text == nullptr)
        return {};
    return {text, ::strnlen(text, kMaxTextLength)};
}

void storeText(char* buffer, std::string_view text)
{
    if (buffer == nullptr)
        return;
    const std::size_t length = text.size() < kMaxTextLength ? text.size() : kMaxTextLength;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

std::string boundedText(std::string text)
{
    if (text.size() > kMaxTextLength)
        text.resize(kMaxTextLength);
    return text;
}

std::string upperCased(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

}
