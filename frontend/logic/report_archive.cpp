#include "frontend/logic/report_archive.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>

#include "frontend/logic/date_text.h"
#include "frontend/logic/system_reason.h"
#include "platform/file_access.h"
#include "platform/private_file.h"
#include "platform/safe_replace.h"
#include "platform/descriptor.h"
#include "platform/user_config.h"

namespace kelvo::frontend {

namespace {

constexpr char kDescriptionExtension[] = ".opis";
// A description is a few short lines; anything longer is not one.
constexpr std::size_t kLargestDescription = 64 * 1024;
// Versions of one name looked at before giving up: far above what a register
// makes of one range, and a bound on the work when names are taken by others.
constexpr int kMostVersions = 1000;

// A name for the file system from text a register answered, kept as the
// windows name the report ("ABC 12345678" keeps its blank): only a '/' or a
// control character becomes '_', and a name of dots alone is not taken.
std::string safeName(const std::string& text)
{
    std::string name = text;
    for (char& c : name)
        if (c == '/' || static_cast<unsigned char>(c) < ' ')
            c = '_';
    if (name.find_first_not_of('.') == std::string::npos)
        return "bez_numeru";
    return name;
}

std::string withoutExtension(const std::string& fileName)
{
    const std::string name = std::filesystem::path(fileName).filename().string();
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string version(const std::string& name, int number)
{
    return number == 1 ? name : name + "-" + std::to_string(number);
}

enum class Entry { Missing, RegularFile, Other };

Entry entryAt(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? Entry::Missing : Entry::Other;
    return S_ISREG(st.st_mode) ? Entry::RegularFile : Entry::Other;
}

struct KeptFile {
    const char* extension;
    const std::string ArchivedFiles::* source;
};

constexpr std::array<KeptFile, 4> kKeptFiles {{
    {".txt", &ArchivedFiles::text},
    {".pdf", &ArchivedFiles::pdf},
    {".json", &ArchivedFiles::json},
    {".csv", &ArchivedFiles::csv},
}};

bool nameIsFree(const std::string& base)
{
    if (entryAt(base + kDescriptionExtension) != Entry::Missing)
        return false;
    return std::all_of(kKeptFiles.begin(), kKeptFiles.end(),
                       [&base](const KeptFile& file) { return entryAt(base + file.extension) == Entry::Missing; });
}

std::string describe(const ArchiveEntry& what)
{
    return "kasa\t" + what.registerNumber + "\nnumer unikatowy\t" + what.unique + "\nrodzaj\t" + std::to_string(what.kind)
        + "\nzakres\t" + what.range + "\nsporządzono\t" + what.made + "\nnazwa\t" + what.name + "\n";
}

ArchiveEntry described(const std::string& text)
{
    ArchiveEntry entry;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const auto tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        const std::string key = line.substr(0, tab);
        const std::string value = line.substr(tab + 1);
        if (key == "kasa")
            entry.registerNumber = value;
        else if (key == "numer unikatowy")
            entry.unique = value;
        else if (key == "rodzaj")
            entry.kind = std::atoi(value.c_str());
        else if (key == "zakres")
            entry.range = value;
        else if (key == "sporządzono")
            entry.made = value;
        else if (key == "nazwa")
            entry.name = value;
    }
    return entry;
}

bool sameBytes(const std::string& kept, const std::vector<unsigned char>& text)
{
    const platform::FileContent content = platform::readRegularFile(kept, platform::kLargestReportFile, platform::AtALink::Refuse);
    return content.error == 0 && content.bytes == text;
}

std::string failure(const std::string& path, int error)
{
    return "nie można zachować raportu w archiwum: " + path + ": " + systemReason(error);
}

// The register's folder, made for this user alone; each folder of the
// archive must be a real folder nobody else may write into.
std::optional<std::string> registerFolder(const std::string& unique, std::string& error)
{
    const std::string root = archiveFolder();
    if (root.empty()) {
        error = "nie można zachować raportu w archiwum: nie ustawiono ani XDG_DATA_HOME, ani HOME";
        return std::nullopt;
    }
    const std::string folder = root + "/" + safeName(unique);
    if (!platform::makePrivateFolders(folder)) {
        error = failure(folder, errno);
        return std::nullopt;
    }
    for (const std::string& each : {std::filesystem::path(root).parent_path().string(), root, folder}) {
        if (!platform::isPrivateFolder(each)) {
            error = "nie można zachować raportu w archiwum: " + each
                + " nie jest folderem tego użytkownika, do którego tylko on może pisać";
            return std::nullopt;
        }
    }
    return folder;
}

// The files of a kept report that are there, each a regular file.
std::vector<std::string> keptFiles(const std::string& folder, const std::string& base)
{
    std::vector<std::string> names;
    for (const KeptFile& file : kKeptFiles)
        if (entryAt(folder + "/" + base + file.extension) == Entry::RegularFile)
            names.push_back(base + file.extension);
    return names;
}

void addDescribedIn(const std::string& folder, std::vector<ArchiveEntry>& entries)
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string file = it->path().filename().string();
        if (!file.ends_with(kDescriptionExtension) || entryAt(it->path().string()) != Entry::RegularFile)
            continue;
        const platform::FileContent content =
            platform::readRegularFile(it->path().string(), kLargestDescription, platform::AtALink::Refuse);
        if (content.error != 0)
            continue;
        ArchiveEntry entry = described(std::string(content.bytes.begin(), content.bytes.end()));
        entry.files = keptFiles(folder, file.substr(0, file.size() - std::string(kDescriptionExtension).size()));
        entries.push_back(std::move(entry));
    }
}

std::string rangeText(const ParameterRecord& r, std::time_t made)
{
    const auto dates = [&r] {
        return twoDigits(r.firstDay) + "." + twoDigits(r.firstMonth) + "." + std::to_string(r.firstYear) + "-"
            + twoDigits(r.lastDay) + "." + twoDigits(r.lastMonth) + "." + std::to_string(r.lastYear);
    };
    std::tm local {};
    ::localtime_r(&made, &local);
    switch (r.reportKind) {
    case 1: return twoDigits(r.month) + "." + std::to_string(r.year);
    case 2:
    case 6: return dates();
    case 3:
    case 7: return "nr " + std::to_string(r.numberFrom) + "-" + std::to_string(r.numberTo);
    case 4: {
        // The month before the one the report was made in.
        const int month = local.tm_mon == 0 ? 12 : local.tm_mon;
        return twoDigits(month) + "." + std::to_string(local.tm_year + 1900 - (local.tm_mon == 0 ? 1 : 0));
    }
    case 5: return twoDigits(local.tm_mon + 1) + "." + std::to_string(local.tm_year + 1900);
    case 8: return "cała pamięć";
    default: return {};
    }
}

}

std::string archiveFolder()
{
    return platform::userDataFile("raporty");
}

ArchiveEntry generatedReportEntry(const Session& session, const std::string& reportFileName, std::time_t made)
{
    ArchiveEntry entry;
    entry.registerNumber = std::to_string(session.record.registerNumber);
    entry.unique = session.uniqueNumber;
    entry.kind = session.record.reportKind;
    entry.range = rangeText(session.record, made);
    std::tm local {};
    ::localtime_r(&made, &local);
    char when[32];
    std::strftime(when, sizeof(when), "%Y-%m-%d %H:%M", &local);
    entry.made = when;
    entry.name = withoutExtension(reportFileName);
    return entry;
}

std::string archiveKindText(int kind)
{
    switch (kind) {
    case 1: return "miesięczny";
    case 2: return "według dat";
    case 3: return "według numerów";
    case 4: return "miesiąc poprzedni";
    case 5: return "miesiąc bieżący";
    case 6: return "rozl. według dat";
    case 7: return "rozl. wg numerów";
    case 8: return "rozl. całości";
    default: return "?";
    }
}

int archiveReport(const ArchiveEntry& what, const ArchivedFiles& files, std::string& error)
{
    const platform::FileContent text = platform::readRegularFile(files.text, platform::kLargestReportFile);
    if (text.error != 0) {
        error = failure(files.text, text.error);
        return 1;
    }
    const auto folder = registerFolder(what.unique, error);
    if (!folder)
        return 1;
    // Two registers of one unique number finishing together take turns.
    const platform::Descriptor lock(::open(folder->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!lock.valid() || ::flock(lock.get(), LOCK_EX) != 0) {
        error = failure(*folder, errno);
        return 1;
    }

    const std::string name = safeName(what.name);
    std::string base;
    bool keptBefore = false;
    for (int number = 1; number <= kMostVersions && base.empty(); ++number) {
        const std::string candidate = *folder + "/" + version(name, number);
        if (entryAt(candidate + ".txt") == Entry::RegularFile && sameBytes(candidate + ".txt", text.bytes)) {
            base = candidate;
            keptBefore = true;
        } else if (nameIsFree(candidate)) {
            base = candidate;
        }
    }
    if (base.empty()) {
        error = failure(*folder + "/" + name + ".txt", EEXIST);
        return 1;
    }
    for (const KeptFile& file : kKeptFiles) {
        const std::string& source = files.*file.source;
        const std::string target = base + file.extension;
        if (source.empty() || entryAt(target) != Entry::Missing)
            continue;
        if (const int failed = platform::copyFile(source, target)) {
            error = failure(target, failed);
            return 1;
        }
    }
    if (keptBefore && entryAt(base + kDescriptionExtension) != Entry::Missing)
        return 0;
    if (const int failed = platform::replaceFile(base + kDescriptionExtension, describe(what), platform::FileAccess::OwnerOnly)) {
        error = failure(base + kDescriptionExtension, failed);
        return 1;
    }
    return 0;
}

std::vector<ArchiveEntry> listArchive(const std::string& unique)
{
    std::vector<ArchiveEntry> entries;
    const std::string root = archiveFolder();
    if (root.empty())
        return entries;
    if (!unique.empty()) {
        const std::string folder = root + "/" + safeName(unique);
        if (platform::isPrivateFolder(folder))
            addDescribedIn(folder, entries);
    } else {
        std::error_code error;
        for (std::filesystem::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                addDescribedIn(it->path().string(), entries);
        }
    }
    std::sort(entries.begin(), entries.end(), [](const ArchiveEntry& a, const ArchiveEntry& b) {
        return std::tie(a.unique, a.made, a.name) < std::tie(b.unique, b.made, b.name);
    });
    return entries;
}

}
