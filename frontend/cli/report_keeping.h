// kelvor-cli and the report archive: each report the command line reads is
// kept there too, and --archive lists what is kept.
#pragma once

#include <optional>
#include <string>

#include "frontend/cli/register_outputs.h"
#include "frontend/logic/parameter_record.h"
#include "frontend/logic/report_archive.h"

namespace kelvo::frontend::cli {

// What the archive keeps of a report: the report file just generated (in the
// working folder) and, of the register's outputs written in the output
// folder, the PDF and the accountant's figures.
ArchivedFiles archivedOutputs(const std::string& reportFile, const RegisterOutputs& outputs,
    const std::filesystem::path& outputFolder);

// Keeps the files in the archive; the warning in Polish when they could not
// be kept. The report itself is never lost by this: it has been printed or
// saved already.
std::optional<std::string> keepInArchive(const Session& session, const std::string& reportFile, const ArchivedFiles& files);

// The table of what is kept, for one unique number or, when it is empty,
// for all: a heading with the archive's folder, then one row per report
// (register, unique number, kind, range, when made) and its files below,
// within 80 columns.
std::string archiveTable(const std::string& unique);

}
