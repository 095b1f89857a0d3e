// kelvor-cli and the report archive: each report the command line reads is
// kept there too, and --archive lists what is kept.
#pragma once

#include <optional>
#include <string>

#include "frontend/logic/parameter_record.h"

namespace kelvo::frontend::cli {

// Keeps the report file just generated (in the working folder) in the
// archive; the warning in Polish when it could not be kept. The report
// itself is never lost by this: it has been printed or saved already.
std::optional<std::string> keepInArchive(const Session& session, const std::string& reportFile);

// The table of what is kept, for one unique number or, when it is empty,
// for all: a heading with the archive's folder, then one row per report
// (register, unique number, kind, range, when made) and its files below,
// within 80 columns.
std::string archiveTable(const std::string& unique);

}
