#include "frontend/cli/command_line.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>
#include <kelvo/kelvodrv_contract.h>

#include "frontend/logic/connection_choice.h"
#include "frontend/logic/report_kinds.h"
#include "frontend/logic/text_encoding.h"

namespace kelvo::frontend::cli {

namespace {

// An option's mistake: the text after "kelvor-cli: OPTION VALUE: ".
using Mistake = std::optional<std::string>;

std::optional<int> number(const std::string& text, int lowest, int highest)
{
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < lowest || value > highest)
        return std::nullopt;
    return value;
}

template <std::size_t N>
std::string listed(const std::array<std::int32_t, N>& values)
{
    std::string text;
    for (const auto value : values)
        text += (text.empty() ? "" : ", ") + std::to_string(value);
    return text;
}

Mistake takeNumber(std::optional<int>& target, const std::string& value, int lowest, int highest, const char* what)
{
    target = number(value, lowest, highest);
    if (target)
        return std::nullopt;
    return std::string(what) + "; dozwolone: liczba od " + std::to_string(lowest) + " do " + std::to_string(highest);
}

template <std::size_t N>
Mistake takeListed(std::optional<int>& target, const std::string& value, const std::array<std::int32_t, N>& allowed,
    const char* what)
{
    target = number(value, 0, 999999);
    if (target && std::find(allowed.begin(), allowed.end(), *target) != allowed.end())
        return std::nullopt;
    target.reset();
    return std::string(what) + "; dozwolone: " + listed(allowed);
}

// The link kinds by name; their codes are taken as well.
constexpr std::pair<const char*, int> kMultiplexerWords[] = {{"bezposrednio", 0}, {"bezpośrednio", 0}, {"mux4", 1}, {"mux8", 4}};

Mistake takeMultiplexer(CommandLine& c, const std::string& value)
{
    for (const auto& [word, code] : kMultiplexerWords)
        if (value == word) {
            c.mux = code;
            return std::nullopt;
        }
    if (!takeListed(c.mux, value, kMultiplexerTypes, ""))
        return std::nullopt;
    return std::string("niedozwolony rodzaj połączenia; dozwolone: bezposrednio, mux4, mux8 albo ich kody 0, 1, 4");
}

Mistake takeTcp(CommandLine& c, const std::string& value)
{
    const auto colon = value.rfind(':');
    const auto port = colon == std::string::npos ? std::nullopt : number(value.substr(colon + 1), 1, 65535);
    if (colon == 0 || !port)
        return std::string("niepoprawny adres; dozwolone: HOST:PORT, port od 1 do 65535 (np. 192.168.1.20:4001)");
    c.tcp = TcpAddress {value.substr(0, colon), *port};
    return std::nullopt;
}

Mistake takeConverterId(CommandLine& c, const std::string& value)
{
    if (value.size() != 8 || !std::all_of(value.begin(), value.end(), [](char ch) { return ch > ' ' && ch < 127 && ch != ':'; }))
        return std::string("niepoprawny identyfikator konwertera; dozwolone: dokładnie 8 znaków ASCII bez spacji i ':'");
    c.converterId = value;
    return std::nullopt;
}

struct Option {
    const char* name;
    const char* value;  // the value's placeholder, nullptr for a switch
    const char* help;
    std::function<Mistake(CommandLine&, const std::string&)> take;
};

const std::vector<Option>& options()
{
    static const std::vector<Option> table {
        {"--port", "N", "port szeregowy COMn (1 do 99)",
            [](CommandLine& c, const std::string& v) { return takeNumber(c.port, v, 1, 99, "niepoprawny numer portu"); }},
        {"--speed", "S", "szybkość transmisji: 9600, 19200, 28800, 57600",
            [](CommandLine& c, const std::string& v) { return takeListed(c.speed, v, kSpeeds, "niedozwolona szybkość"); }},
        {"--mux", "RODZAJ", "rodzaj połączenia: bezposrednio (kod 0), mux4 (kod 1, multiplekser 4-kanałowy), "
                            "mux8 (kod 4, multiplekser 8-kanałowy)",
            takeMultiplexer},
        {"--channel", "C", "kanał multipleksera lub konwertera (1 do 8; 1 do 4 dla mux4 i konwertera)",
            [](CommandLine& c, const std::string& v) { return takeNumber(c.channel, v, 1, 8, "niepoprawny kanał"); }},
        {"--device", "ŚCIEŻKA", "urządzenie portu COMn tego uruchomienia (np. /dev/ttyUSB0), zapisywane w ports.conf",
            [](CommandLine& c, const std::string& v) {
                c.device = v;
                return Mistake();
            }},
        {"--detect", nullptr, "szuka kasy na portach szeregowych: każde urządzenie przy szybkościach od 57600 do 9600 b/s; "
                              "znalezione zapisuje w ports.conf i KONFIG.TXT; z RODZAJEM czyta potem raport",
            [](CommandLine& c, const std::string&) {
                c.detect = true;
                return Mistake();
            }},
        {"--tcp", "HOST:PORT", "połączenie TCP z serwerem portów albo konwerterem (typ 6; z --converter typ 5)", takeTcp},
        {"--converter", nullptr, "konwerter linii: z --tcp przez TCP (typ 5), bez niego na porcie szeregowym (typ 7)",
            [](CommandLine& c, const std::string&) {
                c.converter = true;
                return Mistake();
            }},
        {"--converter-id", "ID", "identyfikator konwertera, dokładnie 8 znaków (wymagany z --converter)", takeConverterId},
        {"--timeout", "S", "czas oczekiwania konwertera lub połączenia TCP w sekundach (1 do 65535; domyślnie 5)",
            [](CommandLine& c, const std::string& v) {
                return takeNumber(c.timeout, v, 1, 65535, "niepoprawny czas oczekiwania");
            }},
        {"--repeats", "N", "granica powtórzeń konwertera: prośby o powtórzenie odpowiedzi, przeczekane awarie (0 do 255; domyślnie 3)",
            [](CommandLine& c, const std::string& v) {
                return takeNumber(c.repeats, v, 0, 255, "niepoprawna liczba powtórzeń");
            }},
        {"--save", "PLIK", "zapisuje kopię raportu w pliku; jego folder jest sprawdzany przed połączeniem z kasą",
            [](CommandLine& c, const std::string& v) {
                c.save = v;
                return Mistake();
            }},
        {"--trace", "PLIK", "zapisuje ślad łącza (każdy bajt wysłany i odebrany) w pliku; czyta go kelvotrace",
            [](CommandLine& c, const std::string& v) {
                c.trace = v;
                return Mistake();
            }},
        {"--all", nullptr, "raport z każdej kasy z listy kas (do 99); kasy na różnych liniach naraz, wyniki w folderze "
                           "wyjściowym (--output) z zestawieniem zestawienie.csv",
            [](CommandLine& c, const std::string&) {
                c.all = true;
                return Mistake();
            }},
        {"--registers", "PLIK", "z --all: inna lista kas niż kasy.txt w folderze ustawień",
            [](CommandLine& c, const std::string& v) {
                c.registers = v;
                return Mistake();
            }},
        {"--add-register", nullptr, "dopisuje połączenie tego uruchomienia (opcji albo --detect) do listy kas, gdy kasa "
                                    "odpowiedziała; odmawia, gdy numer kasy już na niej jest",
            [](CommandLine& c, const std::string&) {
                c.addRegister = true;
                return Mistake();
            }},
        {"--output", "FOLDER", "zapisuje wyniki w FOLDER/NUMER_UNIKATOWY/: raport (Windows-1250), kopię UTF-8, PDF, "
                               "zestawienie dla księgowości (JSON, CSV), a w FOLDER zestawienie.csv; domyślnie z --all "
                               "folder bieżący",
            [](CommandLine& c, const std::string& v) {
                c.output = v;
                return Mistake();
            }},
        {"--no-cache", nullptr, "czyta wszystkie rekordy z kasy, bez pamięci podręcznej rekordów",
            [](CommandLine& c, const std::string&) {
                c.noCache = true;
                return Mistake();
            }},
        {"--forget-cache", nullptr, "łączy się z kasą, rozpoznaje ją i usuwa jej pamięć podręczną rekordów; "
                                    "z RODZAJEM czyta potem raport",
            [](CommandLine& c, const std::string&) {
                c.forgetCache = true;
                return Mistake();
            }},
        {"--show-folder", nullptr, "wypisuje folder roboczy; bez RODZAJU tylko to, na standardowe wyjście",
            [](CommandLine& c, const std::string&) {
                c.showFolder = true;
                return Mistake();
            }},
    };
    return table;
}

// The help's lines fit a terminal of kHelpWidth columns; the options' texts start at kHelpColumn.
constexpr std::size_t kHelpWidth = 80;
constexpr std::size_t kHelpColumn = 26;

// The kinds' lines of the help: the range words padded to this many characters.
constexpr std::size_t kKindWordsWidth = 25;

std::string kindLines()
{
    std::string text;
    for (const ReportKindInfo& kind : reportKinds()) {
        std::string words(kind.commandWords);
        words.resize(std::max(words.size(), kKindWordsWidth), ' ');
        text += "  " + std::to_string(kind.kind) + " " + words + std::string(kind.commandCaption) + "\n";
    }
    return text + "  (lata od " + std::to_string(kFirstYear) + " do " + std::to_string(kLastYear) + ")\n";
}

// "4, 5 i 8": the kinds that take no range.
std::string kindsWithoutRange()
{
    std::vector<std::string> kinds;
    for (const ReportKindInfo& kind : reportKinds())
        if (kind.range == RangeShape::None)
            kinds.push_back(std::to_string(kind.kind));
    std::string text;
    for (std::size_t i = 0; i < kinds.size(); ++i)
        text += (i == 0 ? "" : i + 1 == kinds.size() ? " i " : ", ") + kinds[i];
    return text;
}

std::string yearRange()
{
    return "rok od " + std::to_string(kFirstYear) + " do " + std::to_string(kLastYear);
}

std::optional<Date> date(const std::string& text)
{
    if (text.size() != 10 || text[4] != '.' || text[7] != '.')
        return std::nullopt;
    const auto year = number(text.substr(0, 4), kFirstYear, kLastYear);
    const auto month = number(text.substr(5, 2), 1, 12);
    const auto day = number(text.substr(8, 2), 1, 31);
    if (!year || !month || !day)
        return std::nullopt;
    const std::chrono::year_month_day checked {std::chrono::year(*year), std::chrono::month(static_cast<unsigned>(*month)),
        std::chrono::day(static_cast<unsigned>(*day))};
    if (!checked.ok())
        return std::nullopt;
    return Date {*year, *month, *day};
}

UsageError wrong(const std::string& what)
{
    return {"kelvor-cli: " + what + "\nPomoc: kelvor-cli --help"};
}

// The range words of the chosen kind; a mistake names the word and the form allowed.
Mistake takeRangeWords(const std::vector<std::string>& words, RangeChoice& range)
{
    const std::size_t count = words.size();
    const ReportKindInfo& info = reportKind(range.kind);
    const std::string kind = "rodzaj " + std::to_string(range.kind);
    const std::string form = std::string(info.commandWords);
    switch (info.range) {
    case RangeShape::Month: {
        const std::string& w = count == 1 ? words[0] : std::string();
        const auto year = w.size() == 7 && w[4] == '.' ? number(w.substr(0, 4), kFirstYear, kLastYear) : std::nullopt;
        const auto month = year ? number(w.substr(5, 2), 1, 12) : std::nullopt;
        if (!month)
            return kind + (count == 1 ? ": niepoprawny miesiąc „" + w + "”" : ": oczekiwany jeden miesiąc")
                + "; dozwolone: " + form + ", " + yearRange() + ", miesiąc od 01 do 12 (np. 1 2012.01)";
        range.year = *year;
        range.monthItem = *month - 1;
        return std::nullopt;
    }
    case RangeShape::Dates: {
        if (count != 2)
            return kind + ": oczekiwane dwie daty; dozwolone: " + form + ", " + yearRange();
        for (const auto& w : words)
            if (!date(w))
                return kind + ": niepoprawna data „" + w + "”; dozwolone: RRRR.MM.DD, " + yearRange()
                    + ", dzień istniejący w miesiącu";
        (info.settlement ? range.settlementFrom : range.from) = *date(words[0]);
        (info.settlement ? range.settlementTo : range.to) = *date(words[1]);
        return std::nullopt;
    }
    case RangeShape::Numbers: {
        const std::string allowed = "; dozwolone: " + form + ", numery od 1 do " + std::to_string(kHighestReportNumber);
        if (count != 2)
            return kind + ": oczekiwane dwa numery raportów" + allowed;
        for (const auto& w : words)
            if (!number(w, 1, kHighestReportNumber))
                return kind + ": niepoprawny numer „" + w + "”" + allowed;
        (info.settlement ? range.settlementNumberFrom : range.numberFrom) = *number(words[0], 1, kHighestReportNumber);
        (info.settlement ? range.settlementNumberTo : range.numberTo) = *number(words[1], 1, kHighestReportNumber);
        return std::nullopt;
    }
    case RangeShape::None: break;
    }
    if (count == 0)
        return std::nullopt;
    return kind + ": nadmiarowy argument „" + words[0] + "”; rodzaje " + kindsWithoutRange() + " nie mają zakresu";
}

// Options that only make sense together.
Mistake checkCombinations(const CommandLine& c)
{
    if (c.tcp && c.device)
        return std::string("--device nie łączy się z --tcp (połączenie TCP nie używa portu szeregowego)");
    if (c.tcp && c.mux)
        return std::string("--mux nie łączy się z --tcp (połączenie TCP ma własny typ)");
    if (c.converter && c.mux)
        return std::string("--mux nie łączy się z --converter (konwerter ma własny typ)");
    if (c.converter && !c.converterId)
        return std::string("--converter wymaga --converter-id ID (dokładnie 8 znaków)");
    if (c.converterId && !c.converter)
        return std::string("--converter-id działa tylko z --converter");
    if (c.repeats && !c.converter)
        return std::string("--repeats działa tylko z --converter");
    if (c.timeout && !c.converter && !c.tcp)
        return std::string("--timeout działa tylko z --converter albo --tcp");
    if (c.tcp && !c.converter && c.channel)
        return std::string("--channel nie łączy się z samym --tcp; dozwolone z --converter (1 do 4)");
    const bool fourChannels = c.converter || (c.mux && *c.mux == 1);
    if (c.channel && fourChannels && *c.channel > 4)
        return "--channel " + std::to_string(*c.channel) + ": niepoprawny kanał; dozwolone: 1 do 4";
    if (c.channel && c.mux && *c.mux == 0)
        return std::string("--channel nie łączy się z --mux 0 (połączenie bezpośrednie)");
    if (c.detect && (c.speed || c.tcp || c.converter || c.device))
        return std::string("--detect sam wybiera urządzenie i szybkość; nie łączy się z --speed, --device, --tcp ani --converter");
    if (c.all && (c.changesLink() || c.device || c.save || c.trace))
        return std::string("--all bierze połączenia z listy kas i zapisuje wyniki każdej kasy w jej folderze; nie łączy się z opcjami połączenia, --device, --save ani --trace");
    if (c.registers && !c.all)
        return std::string("--registers działa tylko z --all");
    if (c.addRegister && c.all)
        return std::string("--add-register nie łączy się z --all (dopisuje połączenie jednej kasy)");
    return std::nullopt;
}

}

std::string helpText()
{
    std::string text =
        "użycie: kelvor-cli [OPCJE] RODZAJ [ZAKRES...]\n"
        "        kelvor-cli --all [--registers PLIK] [--output FOLDER] RODZAJ [ZAKRES...]\n"
        "        kelvor-cli [OPCJE] --add-register [RODZAJ [ZAKRES...]]\n"
        "        kelvor-cli [OPCJE] --forget-cache\n"
        "        kelvor-cli [OPCJE] --detect [RODZAJ [ZAKRES...]]\n"
        "        kelvor-cli --show-folder\n"
        "        kelvor-cli --archive [NUMER_UNIKATOWY]\n"
        "\n"
        "Czyta raport okresowy z pamięci fiskalnej kasy i wypisuje go. Ustawienia\n"
        "połączenia bez opcji są te z ostatniego uruchomienia (KONFIG.TXT).\n"
        "\n"
        "Rodzaje raportu i ich zakresy:\n";
    text += kindLines();
    text += "\nOpcje:\n";
    for (const Option& o : options()) {
        const std::string left = std::string("  ") + o.name + (o.value ? std::string(" ") + o.value : std::string());
        // Padded by characters, not bytes: placeholders may be Polish.
        const std::size_t characters = utf8Characters(left);
        const bool ownLine = characters >= kHelpColumn;
        if (ownLine)
            text += left + "\n";
        const auto lines = wrapToWidth(o.help, kHelpWidth - kHelpColumn);
        for (std::size_t i = 0; i < lines.size(); ++i)
            text += (i == 0 && !ownLine ? left + std::string(kHelpColumn - characters, ' ') : std::string(kHelpColumn, ' '))
                + lines[i] + "\n";
    }
    text +=
        "  --help                  ta pomoc\n"
        "  --version               wersja programu\n"
        "  --list-ports            wypisuje porty szeregowe tego komputera\n"
        "  --archive [NUMER_UNIKATOWY]\n"
        "                          wypisuje raporty zachowane w archiwum (wszystkich kas\n"
        "                          albo jednej): kasa, rodzaj, zakres, kiedy sporządzony\n"
        "\n"
        "Kod wyjścia: 0 po sukcesie, kod błędu sterownika po jego błędzie, 1 gdy nie\n"
        "można zapisać raportu (--save) albo użyć folderu roboczego albo gdy --detect\n"
        "nie znalazł kasy, 2 po błędzie w wierszu poleceń, 130 lub 143 po przerwaniu\n"
        "(SIGINT, SIGTERM); z --all 0 gdy raport każdej kasy się udał, inaczej 1,\n"
        "a wyniki kas podaje tabela na końcu.\n"
        "Lista kas: $XDG_CONFIG_HOME/kelvor/kasy.txt (inaczej ~/.config/kelvor/kasy.txt),\n"
        "wiersz na kasę jak w KONFIG.TXT (pola oddzielone tabulatorami), komentarze\n"
        "po ';' albo '#'; zmienia ją tylko --add-register.\n"
        "Ślad łącza dowolnego programu: zmienna środowiska KELVO_TRACE=PLIK.\n"
        "Rekordy odczytane poprawnie zostają w pamięci podręcznej\n"
        "($XDG_CACHE_HOME/kelvor, inaczej ~/.cache/kelvor), jeden plik na kasę; przed\n"
        "użyciem kilka z nich jest czytanych ponownie i porównywanych, raport jest taki\n"
        "sam jak bez niej.\n"
        "Każdy odczytany raport zostaje też w archiwum raportów\n"
        "($XDG_DATA_HOME/kelvor/raporty, inaczej ~/.local/share/kelvor/raporty), w\n"
        "folderze numeru unikatowego kasy; inny raport o tej samej nazwie dostaje\n"
        "przyrostek -2, -3..., ten sam raport nie jest zapisywany drugi raz.\n";
    return text;
}

Request parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine c;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h")
            return Help {};
        if (argument == "--version")
            return Version {};
        if (argument == "--list-ports")
            return ListPorts {};
        if (argument == "--archive") {
            if (arguments.size() > i + 2 || (i + 1 < arguments.size() && arguments[i + 1].starts_with("-")))
                return wrong("--archive przyjmuje tylko numer unikatowy kasy; dozwolone: --archive [NUMER_UNIKATOWY]");
            return ListArchive {i + 1 < arguments.size() ? arguments[i + 1] : std::string()};
        }
        if (!argument.starts_with("-") || argument == "-") {
            words.push_back(argument);
            continue;
        }
        const auto option = std::find_if(options().begin(), options().end(), [&](const Option& o) { return argument == o.name; });
        if (option == options().end())
            return wrong("nieznana opcja „" + argument + "”");
        std::string value;
        if (option->value != nullptr) {
            if (i + 1 == arguments.size())
                return wrong(argument + ": brak wartości; dozwolone: " + argument + " " + option->value);
            value = arguments[++i];
        }
        if (const Mistake mistake = option->take(c, value))
            return wrong(argument + " " + value + ": " + *mistake);
    }
    if (const Mistake mistake = checkCombinations(c))
        return wrong(*mistake);
    if (words.empty() && (c.forgetCache || c.detect || c.addRegister || (c.showFolder && !c.all))) {
        c.range.kind = 0;
        return c;
    }
    if (words.empty())
        return wrong("brak rodzaju raportu; dozwolone:\n" + kindLines());
    const auto kind = number(words[0], KELVODRV_KIND_FIRST, KELVODRV_KIND_LAST);
    if (!kind)
        return wrong("niepoprawny rodzaj raportu „" + words[0] + "”; dozwolone:\n" + kindLines());
    c.range.kind = *kind;
    words.erase(words.begin());
    if (const Mistake mistake = takeRangeWords(words, c.range))
        return wrong(*mistake);
    return c;
}

}
