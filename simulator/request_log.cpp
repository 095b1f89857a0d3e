#include "simulator/request_log.h"

#include <stdexcept>

namespace kelvo::sim {

RequestLog::RequestLog(const std::string& path) : file_(std::fopen(path.c_str(), "a"))
{
    if (!file_) throw std::runtime_error("nie można otworzyć pliku dziennika " + path);
}

void RequestLog::line(const std::string& text)
{
    if (!file_) return;
    std::fputs(text.c_str(), file_.get());
    std::fputc('\n', file_.get());
    // Each line is complete on disk at once: tests read the log while we run.
    std::fflush(file_.get());
}

void RequestLog::request(std::uint8_t command, std::span<const std::uint8_t> data, std::span<const std::uint8_t> first,
                         std::span<const std::uint8_t> second, std::string_view fault)
{
    if (!file_) return;
    std::string text = "cmd=" + std::to_string(command) + " data=[" + toHex(data) + "] answer=[" + toHex(first) + "]";
    if (!second.empty()) text += " [" + toHex(second) + "]";
    if (!fault.empty()) text += " fault=" + std::string(fault);
    line(text);
}

void RequestLog::converter(std::uint8_t type, std::span<const std::uint8_t> data, std::uint8_t status)
{
    const std::uint8_t s[1] = {status};
    line("converter=" + std::to_string(type) + " data=[" + toHex(data) + "] status=" + toHex(s));
}

void RequestLog::netSerial(std::string_view text, char answer)
{
    line("udp=\"" + std::string(text) + "\" answer=" + std::string(1, answer));
}

}
