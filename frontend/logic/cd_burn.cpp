#include "frontend/logic/cd_burn.h"

#include <filesystem>

#include "frontend/logic/recorder_setting.h"
#include "platform/file_access.h"
#include "platform/safe_replace.h"

namespace kelvo::frontend {

namespace {

namespace fs = std::filesystem;

// Deleting needs no write permission on the file itself here, so a read-only
// file goes like any other; links are removed, not what they point to.
void emptyOfFiles(const std::string& folder)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_directory(error) || entry.is_symlink(error))
            fs::remove(entry.path(), error);
    }
}

BurnResult burnStaged(const std::string& stagingFolder, BurnSystem& system, const platform::BurnProgress& progress,
                      platform::BurnProblem& problem)
{
    if (!system.startLibraries())
        return BurnResult::ComponentsFailed;
    BurnResult result = BurnResult::Done;
    if (auto burner = system.createBurner(); !burner) {
        result = BurnResult::NoBurner;
    } else {
        bool present = false;
        std::string address;
        if (!burner->hasRecordableDrive(present))
            result = BurnResult::RecorderQueryFailed;
        else if (!present)
            result = BurnResult::NoRecorder;
        else if (!burner->recorderDriveAddress(address))
            result = BurnResult::DriveLetterFailed;
        else if (burner->burn(stagingFolder, progress) != 0)
            result = BurnResult::BurnFailed;
        problem = burner->problem();
    }
    system.stopLibraries();
    return result;
}

}

std::optional<std::string> PlatformBurnSystem::stagingFolder()
{
    return platform::cdStagingFolder();
}

bool PlatformBurnSystem::startLibraries()
{
    libraries_.emplace();
    return libraries_->started();
}

void PlatformBurnSystem::stopLibraries()
{
    libraries_.reset();
}

std::unique_ptr<platform::CdBurner> PlatformBurnSystem::createBurner()
{
    return platform::createCdBurner(recorderAddress());
}

BurnResult burnReportToCd(const std::string& workingFolder, const std::string& reportName, BurnSystem& system,
                          const platform::BurnProgress& progress, platform::BurnProblem* problem)
{
    const auto staging = system.stagingFolder();
    if (!staging)
        return BurnResult::NoStagingFolder;
    emptyOfFiles(*staging);
    const std::string staged = (fs::path(*staging) / reportName).string();
    if (platform::copyFile((fs::path(workingFolder) / reportName).string(), staged) != 0)
        return BurnResult::StagingCopyFailed;
    platform::BurnProblem met;
    const BurnResult result = burnStaged(*staging, system, progress, met);
    if (problem != nullptr)
        *problem = met;
    emptyOfFiles(*staging);
    return result;
}

std::string burnProgressText(int written, int total)
{
    std::string text = "Trwa nagrywanie dysku CD";
    if (total > 0)
        text += ": " + std::to_string(static_cast<long long>(written) * 100 / total) + "%";
    return text;
}

}
