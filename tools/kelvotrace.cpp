// kelvotrace: reads a line trace the driver wrote (KELVO_TRACE or
// kelvor-cli --trace) and prints one line per request to the register: its
// number within the command, the command code and its name, the request data
// (the record index of a fiscal memory record read), the first answer byte
// as a status and the answer's length.
//
//   kelvotrace [TRACE]        (standard input without a file)
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/core/control_bytes.h"

namespace {

using kelvo::drv::kAck;
using kelvo::drv::kEsc;
using kelvo::drv::kNak;
constexpr std::uint8_t kRecordRead = 154;
constexpr std::size_t kAnswerBytesShown = 16;

const char* commandName(unsigned command)
{
    switch (command) {
    case 1: return "wybór kanału multipleksera";
    case 29: return "blok informacyjny";
    case 53: return "zegar kasy";
    case 84: return "stan kasy";
    case 91: return "wersja programu";
    case 111: return "liczba towarów";
    case 113: return "nazwa modelu";
    case 154: return "rekord pamięci fiskalnej";
    case 157: return "linia nagłówka";
    case 192: return "numer kasy";
    case 254: return "identyfikacja modelu";
    case 255: return "kod urządzenia";
    default: return nullptr;
    }
}

std::string statusName(std::uint8_t byte)
{
    switch (byte) {
    case kAck: return "ACK";
    case kNak: return "NAK";
    default: return std::to_string(byte);
    }
}

std::string hex(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t limit)
{
    std::string text;
    char two[4];
    for (std::size_t k = from; k < bytes.size() && k < from + limit; ++k) {
        std::snprintf(two, sizeof(two), k == from ? "%02X" : " %02X", bytes[k]);
        text += two;
    }
    if (bytes.size() > from + limit)
        text += " ...";
    return text;
}

struct Request {
    std::string command;  // the driver command the request belongs to
    unsigned number = 0;
    unsigned code = 0;
    std::vector<std::uint8_t> sent;
    std::vector<std::uint8_t> received;
    bool silent = false;
};

void print(const Request& r)
{
    std::string line = "#" + std::to_string(r.number) + " " + r.command + " cmd=" + std::to_string(r.code);
    if (const char* name = commandName(r.code))
        line += " (" + std::string(name) + ")";
    // A register request starts with ESC and its code; the bytes after them are its data.
    const std::size_t dataStart = r.sent.size() >= 2 && r.sent[0] == kEsc ? 2 : 0;
    line += " data=[" + hex(r.sent, dataStart, r.sent.size()) + "]";
    if (r.code == kRecordRead && r.sent.size() >= dataStart + 2)
        line += " rekord=" + std::to_string(r.sent[dataStart] | (r.sent[dataStart + 1] << 8));
    if (r.received.empty())
        line += " odpowiedź: brak";
    else
        line += " status=" + statusName(r.received[0]) + " odpowiedź=[" + hex(r.received, 0, kAnswerBytesShown) + "] ("
            + std::to_string(r.received.size()) + " B)";
    if (r.silent && !r.received.empty())
        line += ", potem brak odpowiedzi";
    std::cout << line << '\n';
}

// "8123.456 TX req=3 cmd=154 1B 9A |..|" or "... RX req=3 cmd=154 -- brak odpowiedzi".
struct Burst {
    bool sent = false;
    unsigned request = 0;
    unsigned code = 0;
    std::vector<std::uint8_t> bytes;
    bool silence = false;
};

std::optional<Burst> parseBurst(const std::string& line)
{
    std::istringstream in(line);
    std::string time, direction, request, code;
    if (!(in >> time >> direction >> request >> code) || (direction != "TX" && direction != "RX")
        || !request.starts_with("req=") || !code.starts_with("cmd="))
        return std::nullopt;
    Burst b;
    b.sent = direction == "TX";
    b.request = static_cast<unsigned>(std::stoul(request.substr(4)));
    b.code = static_cast<unsigned>(std::stoul(code.substr(4)));
    std::string word;
    while (in >> word && !word.starts_with("|")) {
        if (word == "--") {
            b.silence = true;
            break;
        }
        b.bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    }
    return b;
}

int decode(std::istream& in)
{
    std::optional<Request> current;
    std::string command;
    std::string line;
    unsigned lineNumber = 0;
    const auto finish = [&current] {
        if (current)
            print(*current);
        current.reset();
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.starts_with("#")) {
            finish();
            if (const auto at = line.find("command="); at != std::string::npos) {
                command = line.substr(at + 8, line.find(' ', at) - at - 8);
                std::cout << "--- " << command << line.substr(line.find(" config=")) << '\n';
            }
            continue;
        }
        std::optional<Burst> burst;
        try {
            burst = parseBurst(line);
        } catch (const std::exception&) {
        }
        if (!burst) {
            std::cerr << "kelvotrace: wiersz " << lineNumber << " nie jest wierszem śladu: " << line << '\n';
            return 1;
        }
        if (!current || current->number != burst->request || current->code != burst->code) {
            finish();
            current = Request {command, burst->request, burst->code, {}, {}, false};
        }
        auto& target = burst->sent ? current->sent : current->received;
        target.insert(target.end(), burst->bytes.begin(), burst->bytes.end());
        current->silent = current->silent || burst->silence;
    }
    finish();
    return 0;
}

}

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"))) {
        std::fputs("użycie: kelvotrace [PLIK_ŚLADU]\n"
                   "Czyta ślad łącza zapisany przez sterownik (zmienna KELVO_TRACE albo kelvor-cli --trace)\n"
                   "i wypisuje zapytania do kasy: kod rozkazu, dane (numer rekordu), status odpowiedzi.\n",
            argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    if (argc == 1)
        return decode(std::cin);
    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "kelvotrace: nie można otworzyć pliku %s\n", argv[1]);
        return 1;
    }
    return decode(file);
}
