#include "frontend/logic/driver_messages.h"

#include <gtest/gtest.h>

using kelvo::frontend::driverErrorMessage;

TEST(DriverMessages, CodesWithAndWithoutDescription)
{
    EXPECT_EQ(driverErrorMessage(6), "BŁĄD NUMER 6: NIE MOŻNA OTWORZYĆ PLIKU WEJŚCIOWEGO");
    EXPECT_EQ(driverErrorMessage(71),
        "BŁĄD NUMER 71: BRAK RAPORTÓW DOBOWYCH W PODANYM ZAKRESIE (BRAK DANYCH DLA RAPORTU OKRESOWEGO)");
    EXPECT_EQ(driverErrorMessage(101),
        "BŁĄD NUMER 101: NIEMOŻLIWE DO WYKONANIA PONIEWAŻ PAMIĘĆ CMOS ZOSTAŁA SKASOWANA (WEZWIJ SERWIS)");
    EXPECT_EQ(driverErrorMessage(20), "BŁĄD NUMER 20: TIMEOUT NADAWANIA - BRAK KASY LUB KASA WYŁĄCZONA");
    EXPECT_EQ(driverErrorMessage(0), "BŁĄD NUMER 0");
    EXPECT_EQ(driverErrorMessage(255), "BŁĄD NUMER 255");
}

TEST(DriverMessages, EveryCodeTheDriverReturnsHasAText)
{
    EXPECT_EQ(driverErrorMessage(19), "BŁĄD NUMER 19: NUMER KASY SPOZA ZAKRESU 1-99");
    EXPECT_EQ(driverErrorMessage(201), "BŁĄD NUMER 201: KASA ZGŁOSIŁA BŁĄD 101 LUB ZAKŁÓCENIA NA LINII");
    EXPECT_EQ(driverErrorMessage(229), "BŁĄD NUMER 229: KASA ODRZUCIŁA ROZKAZ (STATUS 129)");
    const auto described = [](int code) {
        return driverErrorMessage(static_cast<std::uint8_t>(code)).size()
            > ("BŁĄD NUMER " + std::to_string(code)).size();
    };
    // The codes of the driver's conditions and of the register statuses it maps.
    std::vector<int> codes;
    for (int code = 1; code <= 77; ++code)
        if (code != 29 && code != 31 && code != 44 && code != 55 && (code < 57 || code > 58) && code != 68)
            codes.push_back(code);
    for (int code : {101, 102, 103, 104, 105})
        codes.push_back(code);
    for (int code = 107; code <= 118; ++code)
        codes.push_back(code);
    for (int code = 200; code <= 212; ++code)
        if (code != 210)
            codes.push_back(code);
    for (int code : {215, 217, 234})
        codes.push_back(code);
    for (int code = 220; code <= 232; ++code)
        codes.push_back(code);
    for (int code : codes)
        EXPECT_TRUE(described(code)) << driverErrorMessage(static_cast<std::uint8_t>(code));
    for (int code : {29, 31, 44, 55, 106, 210, 213, 233, 235})
        EXPECT_FALSE(described(code)) << "the driver never returns " << code;
}
