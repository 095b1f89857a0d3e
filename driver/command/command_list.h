// Every exported driver command once. A row names the command, its work,
// its switches (header lines in the output, talks to the register, checks the
// register number) and its purpose in a word, for the tools that run it.
// WITH_OUTPUT rows take an input and an output file, INPUT_ONLY rows an
// input alone; the caller's macros pick what they need.
#pragma once

#define KELVO_DRIVER_COMMANDS(WITH_OUTPUT, INPUT_ONLY)                                                         \
    WITH_OUTPUT(ONrKasy, registerNumberBody, true, true, false, "numer kasy")                                 \
    WITH_OUTPUT(ONrUnik, uniqueNumberBody, true, true, true, "numer unikatowy")                               \
    WITH_OUTPUT(OStatus, statusBody, true, true, true, "48 flag stanu")                                       \
    INPUT_ONLY(KDBarkod, barcodesBody, true, true, true, "kody kreskowe")                                     \
    WITH_OUTPUT(X000028X, periodicReportBody, false, true, false, "raport okresowy")                          \
    WITH_OUTPUT(X000029X, fixedLineReportBody, false, true, false, "raport okresowy z kasy (wiersze 42-bajtowe)") \
    INPUT_ONLY(X000030X, openPortBody, true, false, true, "otwarcie portu pozostawionego otwartym")           \
    WITH_OUTPUT(X000031X, etxBlockReportBody, false, true, false, "raport okresowy z kasy (blok ETX z CRC)")  \
    WITH_OUTPUT(X000033X, printStreamReportBody, false, true, false, "raport okresowy z kasy (strumień wydruku)") \
    WITH_OUTPUT(X000035X, periodicReportFamilyBBody, false, true, false, "raport okresowy")                   \
    INPUT_ONLY(UsunieciePamieciRekordow, forgetKeptRecordsBody, true, true, true, "usunięcie pamięci rekordów kasy")
