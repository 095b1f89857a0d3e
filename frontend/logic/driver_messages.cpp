#include "frontend/logic/driver_messages.h"

#include <array>
#include <span>
#include <string_view>
#include <utility>

namespace kelvo::frontend {

namespace {

constexpr std::array<std::pair<std::uint8_t, std::string_view>, 32> kDescriptions {{
    {6, ": NIE MOŻNA OTWORZYĆ PLIKU WEJŚCIOWEGO"},
    {7, ": NIE MOŻNA OTWORZYĆ PLIKU KONFIGURACJI"},
    {8, ": NIE MOŻNA OTWORZYĆ PLIKU WYJŚCIOWEGO"},
    {9, ": NIE MOŻNA OTWORZYĆ PLIKU RAPORTU"},
    {10, ": NIEKOMPLETNE DANE W PLIKU WEJŚCIOWYM"},
    {11, ": NIEPOPRAWNY FORMAT PLIKU WEJŚCIOWEGO"},
    {12, ": NIEPOPRAWNE DANE W PLIKU WEJŚCIOWYM"},
    {13, ": NIEKOMPLETNE DANE W PLIKU KONFIGURACJI"},
    {14, ": BRAK SKOJARZENIA W PLIKU KONFIGURACJI"},
    {15, ": NIEPOPRAWNE DANE W PLIKU KONFIGURACJI"},
    {16, ": NIEPOPRAWNY FORMAT PLIKU KONFIGURACJI"},
    {17, ": NIE MOŻNA PISAĆ DO PLIKU WYJŚCIOWEGO"},
    {18, ": NIE MOŻNA PISAĆ DO PLIKU RAPORTU"},
    {20, ": TIMEOUT NADAWANIA - BRAK KASY LUB KASA WYŁĄCZONA"},
    {21, ": TIMEOUT ODBIERANIA - NIEZGODNOŚĆ SZYBKOŚCI TRANSMISJI W KASIE I PROGRAMIE"},
    {23, ": NIEPOPRAWNA ODPOWIEDŹ Z KASY"},
    {24, ": NAK NA SEKWENCJĘ STERUJACĄ"},
    {25, ": PROGRAM JEST PRZEZNACZONY DO INNEGO TYPU URZĄDZENIA"},
    {46, ": NIEZGODNA SUMA KONTROLNA"},
    {47, ": AWARIA DRUKARKI"},
    {48, ": BRAK PAPIERU W KASIE"},
    {62, ": NIE MOŻNA OTWORZYĆ PORTU SZEREGOWEGO"},
    {69, ": KASA W TRYBIE SZKOLENIOWYM"},
    {70, ": NIEPOPRAWNY ZAKRES DLA RAPORTU OKRESOWEGO"},
    {71, ": BRAK RAPORTÓW DOBOWYCH W PODANYM ZAKRESIE (BRAK DANYCH DLA RAPORTU OKRESOWEGO)"},
    {72, ": MIESIĄC NIE JEST ZAKOŃCZONY"},
    {73, ": OPERACJA NIEMOŻLIWA W TRYBIE ZAPIS/ODCZYT (WYMAGANY TRYB TYLKO ODCZYT)"},
    {74, ": OPERACJA NIEMOŻLIWA PONIEWAŻ TRWA INNY WYDRUK"},
    {75, ": OPERACJA NIEMOŻLIWA PONIEWAŻ ZWORA SEWISOWA JEST W POZYCJI SERWISOWEJ"},
    {76, ": PODANO NIEWŁAŚCIWĄ DATĘ LUB HASŁO"},
    {77, ": INNY BŁĄD DLA RAPORTÓW OKRESOWYCH"},
    {101, ": NIEMOŻLIWE DO WYKONANIA PONIEWAŻ PAMIĘĆ CMOS ZOSTAŁA SKASOWANA (WEZWIJ SERWIS)"},
}};

// Our additions: texts for the other codes the driver returns, which the
// table above leaves as a bare number.
constexpr std::array<std::pair<std::uint8_t, std::string_view>, 45> kAddedDescriptions {{
    {1, ": NIE PODANO NAZWY PLIKU WEJŚCIOWEGO"},
    {2, ": NAZWA PLIKU WEJŚCIOWEGO JEST ZASTRZEŻONA DLA STEROWNIKA"},
    {3, ": NIE PODANO NAZWY PLIKU WYJŚCIOWEGO"},
    {4, ": NAZWA PLIKU WYJŚCIOWEGO JEST ZASTRZEŻONA DLA STEROWNIKA"},
    {5, ": PLIK WEJŚCIOWY I WYJŚCIOWY TO TEN SAM PLIK"},
    {19, ": NUMER KASY SPOZA ZAKRESU 1-99"},
    {22, ": NUMER KASY NIEZGODNY Z PLIKIEM KONFIGURACJI"},
    {26, ": KASA ODMÓWIŁA WYKONANIA ROZKAZU"},
    {27, ": NIE MOŻNA OTWORZYĆ PLIKU MODKONF.TXT"},
    {28, ": NIEPOPRAWNE DANE W PLIKU MODKONF.TXT"},
    {30, ": BRAK SYGNAŁU NOŚNEJ NA LINII KONWERTERA"},
    {32, ": NIE MOŻNA WYSŁAĆ RAMKI DO KONWERTERA"},
    {33, ": TIMEOUT ODBIERANIA - BRAK ODPOWIEDZI KONWERTERA"},
    {34, ": BŁĄD SUMY KONTROLNEJ RAMKI KONWERTERA - ZAKŁÓCENIA NA LINII"},
    {35, ": KONWERTER ZGŁOSIŁ BŁĄD TRANSMISJI"},
    {36, ": KONWERTER ODRZUCIŁ ROZKAZ"},
    {37, ": KONWERTER ZGŁOSIŁ BŁĄD 3"},
    {38, ": KONWERTER ZGŁOSIŁ BŁĄD 4"},
    {39, ": KONWERTER ŻĄDA IDENTYFIKATORA ŁĄCZA"},
    {40, ": KONWERTER ŻĄDA CZASU NADAWANIA"},
    {41, ": KONWERTER ŻĄDA CZASU ODBIERANIA"},
    {42, ": KONWERTER ZGŁOSIŁ BŁĄD 7"},
    {43, ": NIEZNANY STATUS KONWERTERA"},
    {45, ": ZA KRÓTKA ODPOWIEDŹ KONWERTERA"},
    {49, ": TIMEOUT - PRZEPEŁNIENIE BUFORA PORTU"},
    {50, ": TIMEOUT - BŁĄD PARZYSTOŚCI NA LINII"},
    {51, ": TIMEOUT - BŁĄD RAMKI ZNAKU NA LINII"},
    {52, ": NIE MOŻNA PRZEŁĄCZYĆ KANAŁU MULTIPLEKSERA"},
    {53, ": NIEKOMPLETNA ODPOWIEDŹ KONWERTERA"},
    {54, ": NIEPOPRAWNY PLIK PARAMETRÓW LUB NIEZNANY ROZKAZ SERWERA"},
    {56, ": PRZERWANE NA ŻĄDANIE SERWERA"},
    {59, ": NIE MOŻNA OTWORZYĆ PLIKU ECRTBUF.TXT"},
    {60, ": NIEPOPRAWNE DANE W PLIKU ECRTBUF.TXT"},
    {61, ": NIE MOŻNA PISAĆ DO PLIKU ECRTBUF.TXT"},
    {63, ": NIE MOŻNA WYSŁAĆ DANYCH PRZEZ SIEĆ"},
    {64, ": TIMEOUT ODBIERANIA - BRAK ODPOWIEDZI PRZEZ SIEĆ"},
    {65, ": BŁĄD POŁĄCZENIA SIECIOWEGO"},
    {66, ": NIEPOPRAWNY KONIEC REKORDU PAMIĘCI FISKALNEJ"},
    {67, ": NIEZNANY ADRES SERWERA SIECIOWEGO"},
    {105, ": TOWAR POZA POJEMNOŚCIĄ BAZY KASY"},
    {124, ": ODCZYT PRZERWANY PRZEZ UŻYTKOWNIKA"},
    {125, ": BRAK ZESTAWIENIA - OSTATNI RAPORT OKRESOWY NIE ZOSTAŁ WYKONANY"},
    {201, ": KASA ZGŁOSIŁA BŁĄD 101 LUB ZAKŁÓCENIA NA LINII"},
    {202, ": TOWAR NIE JEST ZAPROGRAMOWANY W KASIE"},
    {234, ": KASA ZGŁOSIŁA WŁASNY BŁĄD (JEGO NUMER W PLIKU RAPORTU)"},
}};

bool isRegisterStatusCode(std::uint8_t code)
{
    return (code >= 102 && code <= 105) || (code >= 107 && code <= 118) || (code >= 200 && code <= 212 && code != 210)
        || code == 215 || code == 217 || (code >= 220 && code <= 232);
}

}

std::string driverErrorDescription(std::uint8_t code)
{
    using Table = std::span<const std::pair<std::uint8_t, std::string_view>>;
    for (const Table table : {Table(kDescriptions), Table(kAddedDescriptions)})
        for (const auto& [listed, description] : table)
            if (listed == code)
                return std::string(description);
    // The register's other refusals: the status it answered is the code less 100.
    if (isRegisterStatusCode(code))
        return ": KASA ODRZUCIŁA ROZKAZ (STATUS " + std::to_string(code - 100) + ")";
    return {};
}

std::string driverErrorMessage(std::uint8_t code)
{
    return "BŁĄD NUMER " + std::to_string(code) + driverErrorDescription(code);
}

}
