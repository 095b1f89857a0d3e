#include "frontend/logic/burn_results.h"

#include "frontend/logic/system_reason.h"

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

namespace {

std::string because(int osError)
{
    return osError != 0 ? ": " + systemReason(osError) + "." : ".";
}

}

std::string burnProblemText(const platform::BurnProblem& problem)
{
    using Kind = platform::BurnProblem::Kind;
    const std::string drive = "„" + problem.address + "”";
    switch (problem.kind) {
    case Kind::None: return {};
    case Kind::DriveNotOpened: return "Nie można użyć napędu " + drive + because(problem.osError);
    case Kind::NoWritableDisc: return "W napędzie " + drive + " nie ma czystej ani dopisywalnej płyty.";
    case Kind::NoDriveFound: return "Nie znaleziono napędu, który nagrywa płyty CD lub DVD" + because(problem.osError);
    case Kind::WriteFailed: return "Nagrywanie w napędzie " + drive + " nie powiodło się" + because(problem.osError);
    }
    return {};
}

}
