#include "simulator/command_line.h"

#include <charconv>
#include <stdexcept>

namespace kelvo::sim {

const char* const usageText =
    "użycie: kelvosim (--pty ŚCIEŻKA | --tcp [HOST:]PORT) [OPCJE]\n"
    "        kelvosim --save-scenario PLIK [--scenario PLIK] [--model KOD]\n"
    "                 [--generate LATA ...]\n"
    "\n"
    "Udaje kasę fiskalną po drugiej stronie łącza sterownika.\n"
    "\n"
    "  --pty ŚCIEŻKA         tworzy pseudoterminal i dowiązanie ŚCIEŻKA do jego\n"
    "                        strony podrzędnej (tę otwiera sterownik)\n"
    "  --tcp [HOST:]PORT     nasłuchuje na TCP (host 127.0.0.1, gdy nie podano;\n"
    "                        port 0 wybiera wolny)\n"
    "  --udp [HOST:]PORT     odpowiada na UDP na polecenia ustawień serwera portów\n"
    "  --once                kończy, gdy pierwszy klient się rozłączy\n"
    "  --scenario PLIK       kasa i jej pamięć fiskalna (JSON)\n"
    "  --model KOD           kod urządzenia kasy (zamiast tego ze scenariusza)\n"
    "  --generate LATA       zastępuje rekordy wygenerowaną historią LATA lat\n"
    "  --seed N              ziarno generowanej historii (domyślnie 1)\n"
    "  --recent              wygenerowana historia kończy się w poprzednim miesiącu\n"
    "  --records N           pamięć fiskalna na N rekordów (model z blokami\n"
    "                        informacyjnymi)\n"
    "  --save-scenario PLIK  zapisuje obowiązujący scenariusz w PLIKU\n"
    "  --converter           otacza kasę ramkami konwertera linii\n"
    "  --baud N              odbiera i wysyła każdy bajt z szybkością N b/s, 10 bitów\n"
    "                        na bajt\n"
    "  --turnaround MS       czeka MS milisekund przed każdą odpowiedzią\n"
    "  --line-speed N        własna szybkość kasy: na pseudoterminalu ustawionym na\n"
    "                        inną jej zapytania zostają bez odpowiedzi\n"
    "  --fault USTERKA       usterka do pokazania, np. nak:154:2, status:154:134,\n"
    "                        silent:53, garbage:53:4, drop:154:0, hang-up:154:10,\n"
    "                        bad-checksum:17:3, bad-checksum:17:vary,\n"
    "                        changed-record:17,\n"
    "                        converter-crc:2, converter-parts:16, a dla raportów\n"
    "                        drukowanych przez kasę: report-crc, report-oversized\n"
    "                        (można powtarzać)\n"
    "  --log PLIK            dopisuje do PLIKU jeden wiersz na każde zapytanie\n"
    "  --help                ta pomoc\n";

namespace {

template <typename T>
T numberArgument(const std::string& option, const std::string& text, T most)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > most)
        throw std::invalid_argument(option + " " + text + ": niepoprawna liczba; dozwolone: od 0 do " + std::to_string(most));
    return static_cast<T>(value);
}

}

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine c;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& option = arguments[k];
        const auto value = [&]() -> const std::string& {
            if (k + 1 >= arguments.size()) throw std::invalid_argument(option + ": brak wartości");
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
            if (*c.records == 0) throw std::invalid_argument("--records 0: dozwolone: co najmniej 1");
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
            throw std::invalid_argument("nieznana opcja „" + option + "”");
        }
    }
    if (c.listener.ptyPath && c.listener.tcp) throw std::invalid_argument("podaj --pty albo --tcp, nie oba");
    if (c.listener.lineSpeed && !c.listener.ptyPath) throw std::invalid_argument("--line-speed działa tylko z --pty");
    if (c.records && !c.generateYears) throw std::invalid_argument("--records działa tylko z --generate");
    if (c.recent && !c.generateYears) throw std::invalid_argument("--recent działa tylko z --generate");
    if (!c.help && !c.listener.ptyPath && !c.listener.tcp && !c.saveScenario)
        throw std::invalid_argument("brak miejsca nasłuchu: podaj --pty ŚCIEŻKA albo --tcp [HOST:]PORT");
    return c;
}

}
