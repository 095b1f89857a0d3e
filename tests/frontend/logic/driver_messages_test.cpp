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
    EXPECT_EQ(driverErrorMessage(19), "BŁĄD NUMER 19");
    EXPECT_EQ(driverErrorMessage(0), "BŁĄD NUMER 0");
    EXPECT_EQ(driverErrorMessage(234), "BŁĄD NUMER 234");

    int described = 0;
    for (int code = 0; code < 256; ++code)
        described += driverErrorMessage(static_cast<std::uint8_t>(code)).size() > std::string("BŁĄD NUMER 255").size();
    EXPECT_EQ(described, 32) << "codes 6-18, 20, 21, 23-25, 46-48, 62, 69-77 and 101";
}
