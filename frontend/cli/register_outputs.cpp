#include "frontend/cli/register_outputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "frontend/cli/single_report.h"
#include "frontend/cli/summary_file.h"
#include "frontend/logic/accountant_figures.h"
#include "frontend/logic/report_kinds.h"
#include "frontend/logic/system_reason.h"
#include "frontend/logic/text_encoding.h"
#include "frontend/windows/report_pages.h"
#include "platform/file_access.h"
#include "platform/safe_replace.h"
#include "platform/descriptor.h"

namespace kelvo::frontend::cli {

namespace {

std::string stem(const std::string& fileName)
{
    return std::filesystem::path(fileName).stem().string();
}

// One section's total as a Polish spreadsheet reads it; several sections
// (a currency change inside the range) each with its currency.
std::string sectionTotals(const AccountantFigures& figures, std::uint64_t AccountantSection::*total)
{
    if (figures.sections.size() == 1)
        return polishAmount(figures.sections.front().*total);
    std::string text;
    for (const AccountantSection& section : figures.sections)
        text += (text.empty() ? "" : ", ") + polishAmount(section.*total) + " " + section.currency;
    return text;
}

}

std::optional<std::filesystem::path> outputFolder(const CommandLine& c, const std::string& startFolder)
{
    const std::filesystem::path folder = std::filesystem::path(startFolder) / c.output.value_or(std::string());
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "kelvor-cli: nie można użyć folderu wyjściowego %s: %s\n", folder.c_str(),
            error ? systemReason(error.value()).c_str() : "to nie jest folder");
        return std::nullopt;
    }
    return folder;
}

std::string registerFolderName(const std::string& uniqueNumber)
{
    std::string name = uniqueNumber;
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.empty() || name == "." || name == "..")
        return "bez-numeru";
    return name;
}

RegisterOutputs writeRegisterOutputs(const std::string& reportFile, const Session& session, const std::filesystem::path& outputFolder,
    std::filesystem::file_time_type began)
{
    RegisterOutputs outputs;
    const std::string folderName = registerFolderName(session.uniqueNumber);
    const std::filesystem::path folder = outputFolder / folderName;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        outputs.problem = "nie można utworzyć folderu " + folder.string() + ": " + systemReason(errno);
        return outputs;
    }
    // A folder of that name planted as a link by another user in a shared folder is not written through.
    if (platform::isForeignLink(folder.string())) {
        outputs.problem = "nie można użyć folderu " + folder.string() + ": " + systemReason(ELOOP);
        return outputs;
    }
    // The look and the save hold a lock on the folder, so that two registers
    // finishing together cannot both find the name free.
    const platform::Descriptor lock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.valid())
        ::flock(lock.get(), LOCK_EX);
    const std::filesystem::path text = folder / reportFile;
    std::error_code missing;
    if (std::filesystem::last_write_time(text, missing) >= began && !missing) {
        outputs.problem = "plik " + text.string() + " zapisała już inna kasa tego odczytu (ten sam numer unikatowy)";
        return outputs;
    }
    if (const auto reason = saveReport(reportFile, text)) {
        outputs.problem = "nie można zapisać raportu w pliku " + text.string() + ": " + *reason;
        return outputs;
    }
    outputs.files.push_back(folderName + "/" + reportFile);

    const std::string utf8Name = stem(reportFile) + "-utf8.txt";
    const std::string utf8 = utf8FromWindows1250(fileText(reportFile));
    if (const int error = platform::replaceFile((folder / utf8Name).string(), utf8, platform::FileAccess::AsBefore)) {
        outputs.problem = "nie można zapisać pliku " + (folder / utf8Name).string() + ": " + systemReason(error);
        return outputs;
    }
    outputs.files.push_back(folderName + "/" + utf8Name);

    const std::string pdfName = stem(reportFile) + ".pdf";
    if (const int error = kelvo::windows::writeReportPdf(reportFile, (folder / pdfName).string(), printJobTitle(session.record))) {
        outputs.problem = "nie można zapisać pliku " + (folder / pdfName).string() + ": " + systemReason(error);
        return outputs;
    }
    outputs.files.push_back(folderName + "/" + pdfName);

    // The figures come from the driver's decoded records of the report just read.
    std::string error;
    if (writeAccountantFigures(folder.string(), stem(reportFile), error) != 0) {
        outputs.problem = error;
        return outputs;
    }
    const std::string json = stem(reportFile) + ".json";
    outputs.files.push_back(folderName + "/" + json);
    outputs.files.push_back(folderName + "/" + stem(reportFile) + ".csv");
    if (const auto figures = readAccountantFigures((folder / json).string(), error)) {
        outputs.totalDue = sectionTotals(*figures, &AccountantSection::totalDue);
        outputs.vatTotal = sectionTotals(*figures, &AccountantSection::vatTotal);
    }
    return outputs;
}

void noteOutputs(const RegisterOutputs& outputs, const Session& session, const Note& note)
{
    note(kUniqueNote + session.uniqueNumber);
    for (const std::string& file : outputs.files)
        note(kOutputNote + file);
    if (!outputs.totalDue.empty())
        note(kTotalDueNote + outputs.totalDue);
    if (!outputs.vatTotal.empty())
        note(kVatTotalNote + outputs.vatTotal);
}

}
