#include "frontend/logic/burn_results.h"

namespace kelvo::frontend {

namespace {

constexpr char kSystemError[] = "BŁĄD SYSTEMU NAGRYWANIA DANYCH";
constexpr char kDriveError[] =
    "BŁĄD ODCZYTU DANYCH NAPĘDU CD-ROM. SPRAWDŹ CZY OPCJA ''WŁĄCZ NAGRYWANIE DYSKÓW CD NA TEJ STACJI JEST WŁĄCZONA''";

}

BurnMessage burnMessage(BurnResult result)
{
    switch (result) {
    case BurnResult::Done: return {"INFORMACJA", "ZAPIS NA CD-ROM PRZEBIEGŁ PRAWIDŁOWO"};
    case BurnResult::NoStagingFolder:
    case BurnResult::ComponentsFailed:
    case BurnResult::NoBurner: return {"BŁĄD", kSystemError};
    case BurnResult::StagingCopyFailed: return {"BŁĄD", "BŁĄD PRZYGOTOWYWANIA DANYCH NA DYSK"};
    case BurnResult::RecorderQueryFailed:
    case BurnResult::DriveLetterFailed: return {"BŁĄD", kDriveError};
    case BurnResult::BurnFailed: return {"BŁĄD", "BŁĄD W TRAKCIE NAGRYWANIA DYSKU"};
    case BurnResult::NoRecorder: return {"BŁĄD", "NIE WYKRYTO NAGRYWARKI PŁYT CDR/CD-RW"};
    }
    return {"BŁĄD", kSystemError};
}

}
