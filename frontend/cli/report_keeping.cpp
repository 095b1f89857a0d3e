#include "frontend/cli/report_keeping.h"

#include <ctime>

#include "frontend/logic/report_archive.h"
#include "frontend/logic/text_encoding.h"

namespace kelvo::frontend::cli {

namespace {

// Columns padded by characters, so that Polish words line up.
std::string cell(const std::string& text, std::size_t width)
{
    const std::string cut = cutToWidth(text, width);
    return cut + std::string(width - utf8Characters(cut), ' ');
}

std::string row(const std::string& number, const std::string& unique, const std::string& kind, const std::string& range,
                const std::string& made)
{
    std::string line = cell(number, 4) + " " + cell(unique, 13) + " " + cell(kind, 17) + " " + cell(range, 21) + " " + made;
    line.erase(line.find_last_not_of(' ') + 1);
    return line + "\n";
}

// The report's files below its row, a line broken only between two names
// (the unique number in a name has a blank of its own).
std::string fileLines(const std::vector<std::string>& files)
{
    const std::string lead = "     pliki: ";
    if (files.empty())
        return lead + "brak\n";
    std::string text;
    std::string line = lead;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string item = files[i] + (i + 1 < files.size() ? "," : "");
        if (line.size() > lead.size() && utf8Characters(line) + 1 + utf8Characters(item) > 80) {
            text += line + "\n";
            line = std::string(lead.size(), ' ');
        }
        line += (line.size() > lead.size() ? " " : "") + item;
    }
    return text + line + "\n";
}

}

ArchivedFiles archivedOutputs(const std::string& reportFile, const RegisterOutputs& outputs,
    const std::filesystem::path& outputFolder)
{
    ArchivedFiles files {reportFile, {}, {}, {}};
    for (const std::string& file : outputs.files) {
        const std::string path = (outputFolder / file).string();
        if (file.ends_with(".pdf"))
            files.pdf = path;
        else if (file.ends_with(".json"))
            files.json = path;
        else if (file.ends_with(".csv"))
            files.csv = path;
    }
    return files;
}

std::optional<std::string> keepInArchive(const Session& session, const std::string& reportFile, const ArchivedFiles& files)
{
    const ArchiveEntry entry = generatedReportEntry(session, reportFile, std::time(nullptr));
    std::string error;
    if (archiveReport(entry, files, error) != 0)
        return error;
    return std::nullopt;
}

std::string archiveTable(const std::string& unique)
{
    const std::string folder = archiveFolder();
    if (folder.empty())
        return "archiwum raportów: nie ustawiono ani XDG_DATA_HOME, ani HOME\n";
    const auto entries = listArchive(unique);
    std::string text = "archiwum raportów: " + folder + "\n";
    if (entries.empty())
        return text + (unique.empty() ? "brak zachowanych raportów\n" : "brak zachowanych raportów kasy " + unique + "\n");
    text += row("KASA", "NR UNIKATOWY", "RODZAJ", "ZAKRES", "SPORZĄDZONO");
    for (const ArchiveEntry& entry : entries) {
        text += row(entry.registerNumber, entry.unique, archiveKindText(entry.kind), entry.range, entry.made);
        text += fileLines(entry.files);
    }
    return text;
}

}
