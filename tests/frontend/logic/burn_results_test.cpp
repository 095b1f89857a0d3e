#include "frontend/logic/burn_results.h"

#include <gtest/gtest.h>

using namespace kelvo::frontend;

TEST(BurnResults, MessagesForEveryResult)
{
    const std::pair<int, const char*> table[] = {
        {-1, "BŁĄD SYSTEMU NAGRYWANIA DANYCH"},
        {-2, "BŁĄD PRZYGOTOWYWANIA DANYCH NA DYSK"},
        {-3, "BŁĄD SYSTEMU NAGRYWANIA DANYCH"},
        {-4, "BŁĄD ODCZYTU DANYCH NAPĘDU CD-ROM. SPRAWDŹ CZY OPCJA ''WŁĄCZ NAGRYWANIE DYSKÓW CD NA TEJ STACJI JEST "
             "WŁĄCZONA''"},
        {-5, "BŁĄD ODCZYTU DANYCH NAPĘDU CD-ROM. SPRAWDŹ CZY OPCJA ''WŁĄCZ NAGRYWANIE DYSKÓW CD NA TEJ STACJI JEST "
             "WŁĄCZONA''"},
        {-6, "BŁĄD W TRAKCIE NAGRYWANIA DYSKU"},
        {-7, "NIE WYKRYTO NAGRYWARKI PŁYT CDR/CD-RW"},
        {-8, "BŁĄD SYSTEMU NAGRYWANIA DANYCH"},
    };
    for (const auto& [result, text] : table) {
        const BurnMessage message = burnMessage(static_cast<BurnResult>(result));
        EXPECT_EQ(message.caption, "BŁĄD") << result;
        EXPECT_EQ(message.text, text) << result;
    }
    EXPECT_EQ(burnMessage(BurnResult::Done).caption, "INFORMACJA");
    EXPECT_EQ(burnMessage(BurnResult::Done).text, "ZAPIS NA CD-ROM PRZEBIEGŁ PRAWIDŁOWO");
}
