// The report archive: every report a front end generates is kept, for the
// years the tax rules ask, in $XDG_DATA_HOME/kelvor/raporty/<unique number>/
// (else ~/.local/share/kelvor/raporty/...), under the name the windows give
// the saved report. A different report of a name already kept gets a suffix
// ("-2", "-3", ...); the same text again is not stored twice.
//
// What is kept is described by a small file beside each report,
// <name>.opis, rather than by one index of the whole archive: a report and
// its description are copied, backed up or deleted together, two registers
// archiving at once never write one shared file, and an index can never
// disagree with the files it lists.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend {

struct ArchiveEntry {
    std::string registerNumber;
    std::string unique;
    int kind = 0;                    // the report kind, 1 to 8
    std::string range;               // "11.2026", "01.11.2026-30.11.2026", "nr 1-30", "cała pamięć"
    std::string made;                // local time, "2026-12-09 14:35"
    std::string name;                // without a suffix: "ABC12345678_SZCZ202611"
    std::vector<std::string> files;  // listed: the file names kept, in the register's folder
};

// The files a front end made for one report: paths, empty when not made.
struct ArchivedFiles {
    std::string text, pdf, json, csv;
};

// The archive's folder; empty when neither XDG_DATA_HOME nor HOME is set.
std::string archiveFolder();

// The entry of the report just generated under the session's record, named
// by its text file's name in the working folder, made at the given time.
ArchiveEntry generatedReportEntry(const Session& session, const std::string& reportFileName, std::time_t made);

// Polish words for the report kind, at most 18 characters.
std::string archiveKindText(int kind);

// Keeps the files (the text is required) in the register's folder of the
// archive; 0 when kept or when the same text was kept already, else 1 with
// the reason in Polish. Files an earlier keeping of the same text lacks are
// added to it. Folders are made for this user alone; a name taken by
// anything but a regular file (a link, a FIFO) is passed over, never written
// through or opened in a way that waits.
int archiveReport(const ArchiveEntry& what, const ArchivedFiles& files, std::string& error);

// What is kept for one unique number, or for all when it is empty: by
// unique number, then by time made.
std::vector<ArchiveEntry> listArchive(const std::string& unique);

}
