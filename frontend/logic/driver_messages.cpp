#include "frontend/logic/driver_messages.h"

#include <array>
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

}

std::string driverErrorDescription(std::uint8_t code)
{
    for (const auto& [listed, description] : kDescriptions)
        if (listed == code)
            return std::string(description);
    return {};
}

std::string driverErrorMessage(std::uint8_t code)
{
    return "BŁĄD NUMER " + std::to_string(code) + driverErrorDescription(code);
}

}
