#include "simulator/command_line.h"

#include <charconv>
#include <stdexcept>

namespace kelvo::sim {

const char* const usageText =
    "usage: kelvosim (--pty PATH | --tcp [HOST:]PORT) [options]\n"
    "       kelvosim --save-scenario FILE [--scenario FILE] [--model CODE] [--generate YEARS ...]\n"
    "\n"
    "Plays a fiscal cash register at the other end of the driver's line.\n"
    "\n"
    "  --pty PATH            create a pseudo-terminal and link PATH to its slave side\n"
    "  --tcp [HOST:]PORT     listen on TCP (host 127.0.0.1 unless given; port 0 picks one)\n"
    "  --udp [HOST:]PORT     answer the network serial server's set-up commands on UDP\n"
    "  --once                end when the first client has gone\n"
    "  --scenario FILE       the register and its fiscal memory (JSON)\n"
    "  --model CODE          device code of the register (overrides the scenario)\n"
    "  --generate YEARS      replace the records by a generated history of YEARS years\n"
    "  --seed N              seed of the generated history (default 1)\n"
    "  --recent              the generated history ends with the previous month\n"
    "  --records N           fiscal memory of N records (a model with information blocks)\n"
    "  --save-scenario FILE  write the scenario in effect to FILE\n"
    "  --converter           put the line converter's frames around the register\n"
    "  --baud N              take and send each byte at N bit/s, ten bits a byte\n"
    "  --turnaround MS       wait MS milliseconds before each answer\n"
    "  --line-speed N        the register's own speed: on a pseudo-terminal set to\n"
    "                        another speed its requests go unanswered\n"
    "  --fault FAULT         a fault to show, for example nak:154:2, status:154:134,\n"
    "                        silent:53, garbage:53:4, drop:154:0, hang-up:154:10,\n"
    "                        bad-checksum:17:3, bad-checksum:17:vary,\n"
    "                        converter-crc:2, converter-parts:16, and for the reports\n"
    "                        the register prints: report-crc, report-oversized (repeatable)\n"
    "  --log FILE            append one line per request to FILE\n"
    "  --help                this text\n";

namespace {

template <typename T>
T numberArgument(const std::string& option, const std::string& text, T most)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > most)
        throw std::invalid_argument(option + " needs a number from 0 to " + std::to_string(most) + ", not \"" + text + "\"");
    return static_cast<T>(value);
}

}

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine c;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& option = arguments[k];
        const auto value = [&]() -> const std::string& {
            if (k + 1 >= arguments.size()) throw std::invalid_argument(option + " needs a value");
            return arguments[++k];
        };
        if (option == "--pty") {
            c.listener.ptyPath = value();
        } else if (option == "--tcp") {
            c.listener.tcp = parseHostPort(value());
        } else if (option == "--udp") {
            c.listener.udp = parseHostPort(value());
        } else if (option == "--once") {
            c.listener.once = true;
        } else if (option == "--scenario") {
            c.scenarioPath = value();
        } else if (option == "--model") {
            c.model = numberArgument<std::uint8_t>(option, value(), 255);
        } else if (option == "--generate") {
            c.generateYears = numberArgument<unsigned>(option, value(), 39);
        } else if (option == "--recent") {
            c.recent = true;
        } else if (option == "--seed") {
            c.seed = numberArgument<std::uint64_t>(option, value(), UINT64_MAX);
        } else if (option == "--records") {
            c.records = numberArgument<std::uint16_t>(option, value(), 65535);
            if (*c.records == 0) throw std::invalid_argument("--records needs at least 1");
        } else if (option == "--save-scenario") {
            c.saveScenario = value();
        } else if (option == "--converter") {
            c.converter = true;
        } else if (option == "--baud") {
            c.listener.timing.baud = numberArgument<std::uint32_t>(option, value(), 4'000'000);
        } else if (option == "--line-speed") {
            c.listener.lineSpeed = numberArgument<std::uint32_t>(option, value(), 4'000'000);
        } else if (option == "--turnaround") {
            c.listener.timing.turnaround = std::chrono::milliseconds(numberArgument<unsigned>(option, value(), 60'000));
        } else if (option == "--fault") {
            c.faults.push_back(parseFault(value()));
        } else if (option == "--log") {
            c.logPath = value();
        } else if (option == "--help" || option == "-h") {
            c.help = true;
        } else {
            throw std::invalid_argument("unknown option " + option);
        }
    }
    if (c.listener.ptyPath && c.listener.tcp) throw std::invalid_argument("give either --pty or --tcp, not both");
    if (c.listener.lineSpeed && !c.listener.ptyPath) throw std::invalid_argument("--line-speed goes with --pty");
    if (c.records && !c.generateYears) throw std::invalid_argument("--records goes with --generate");
    if (c.recent && !c.generateYears) throw std::invalid_argument("--recent goes with --generate");
    if (!c.help && !c.listener.ptyPath && !c.listener.tcp && !c.saveScenario)
        throw std::invalid_argument("nowhere to listen: give --pty PATH or --tcp [HOST:]PORT");
    return c;
}

}
