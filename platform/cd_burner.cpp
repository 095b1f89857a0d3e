#include "platform/cd_burner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <thread>
#include <unistd.h>

#include <libburn/libburn.h>
#include <libisofs/libisofs.h>
using namespace burn;  // libburn declares itself in this namespace for C++
#include <libisoburn/libisoburn.h>

#include "platform/user_config.h"

namespace kelvo::platform {

namespace {

constexpr char kVolumeId[] = "KELVOR";

// One drive acquired by its address, released when done.
class AcquiredDrive {
public:
    explicit AcquiredDrive(std::string address)
    {
        if (isoburn_drive_aquire(&infos_, address.data(), 0) > 0)
            drive_ = infos_[0].drive;
        else
            infos_ = nullptr;
    }
    ~AcquiredDrive()
    {
        if (drive_ != nullptr)
            isoburn_drive_release(drive_, 0);
        if (infos_ != nullptr)
            burn_drive_info_free(infos_);
    }
    AcquiredDrive(const AcquiredDrive&) = delete;
    AcquiredDrive& operator=(const AcquiredDrive&) = delete;
    burn_drive* get() const { return drive_; }

private:
    burn_drive_info* infos_ = nullptr;
    burn_drive* drive_ = nullptr;
};

// The libraries' problems are queued, never printed: the program tells them
// in its own words.
void queueProblems()
{
    burn_msgs_set_severities(const_cast<char*>("SORRY"), const_cast<char*>("NEVER"), const_cast<char*>("kelvor : "));
}

// Empties the libraries' queue; the first system error found in it.
int queuedSystemError()
{
    int found = 0;
    int code = 0;
    int osError = 0;
    char text[BURN_MSGS_MESSAGE_LEN] = {};
    char severity[80] = {};
    while (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &osError, severity) > 0)
        if (found == 0)
            found = osError;
    return found;
}

// Why an address could not be opened: the file or its folder as the system
// sees them, else what the libraries met.
int openError(const std::string& address)
{
    const int queued = queuedSystemError();
    constexpr std::string_view stdio = "stdio:";
    const std::string path = address.starts_with(stdio) ? address.substr(stdio.size()) : address;
    const std::filesystem::path file(path);
    std::error_code error;
    // An image file that does not exist yet is created in its folder.
    const bool image = address.starts_with(stdio) && !std::filesystem::exists(file, error);
    const std::filesystem::path needed = image && !file.parent_path().empty() ? file.parent_path() : file;
    if (::access(needed.c_str(), F_OK) != 0 || ::access(needed.c_str(), R_OK | W_OK) != 0)
        return errno;
    return queued;
}

bool holdsWritableDisc(burn_drive* drive)
{
    const auto status = isoburn_disc_get_status(drive);
    return status == BURN_DISC_BLANK || status == BURN_DISC_APPENDABLE;
}

bool writesOpticalDiscs(const burn_drive_info& info)
{
    return info.write_cdr || info.write_cdrw || info.write_dvdr || info.write_dvdram;
}

template <typename T, void (*Free)(T*)>
struct Freed {
    void operator()(T* p) const { Free(p); }
};

void freeReadOpts(isoburn_read_opts* o) { isoburn_ropt_destroy(&o, 0); }
void freeImageOpts(isoburn_imgen_opts* o) { isoburn_igopt_destroy(&o, 0); }

using ReadOpts = std::unique_ptr<isoburn_read_opts, Freed<isoburn_read_opts, freeReadOpts>>;
using ImageOpts = std::unique_ptr<isoburn_imgen_opts, Freed<isoburn_imgen_opts, freeImageOpts>>;
using Image = std::unique_ptr<IsoImage, Freed<IsoImage, iso_image_unref>>;
using WriteOpts = std::unique_ptr<burn_write_opts, Freed<burn_write_opts, burn_write_opts_free>>;
using Disc = std::unique_ptr<burn_disc, Freed<burn_disc, burn_disc_free>>;

// Runs libburn's drive scan, which works in a thread of its own and answers
// 0 until it is done; the drives' list, or false when the scan failed.
bool scanDrives(burn_drive_info*& infos, unsigned int& count)
{
    int scanned = 0;
    while ((scanned = burn_drive_scan(&infos, &count)) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return scanned > 0;
}

class LibburnCdBurner final : public CdBurner {
public:
    explicit LibburnCdBurner(std::string named) : named_(std::move(named)) {}

    bool hasRecordableDrive(bool& present) override
    {
        address_.clear();
        problem_ = {};
        present = false;
        if (!named_.empty()) {
            const std::string& named = named_;
            const AcquiredDrive drive(named);
            if (drive.get() == nullptr)
                problem_ = {BurnProblem::Kind::DriveNotOpened, named, openError(named)};
            else if (!holdsWritableDisc(drive.get()))
                problem_ = {BurnProblem::Kind::NoWritableDisc, named, 0};
            else
                address_ = named;
            present = !address_.empty();
            return true;
        }
        burn_drive_info* infos = nullptr;
        unsigned int count = 0;
        if (!scanDrives(infos, count))
            return false;
        for (unsigned int i = 0; i < count && address_.empty(); ++i) {
            char address[BURN_DRIVE_ADR_LEN] = {};
            if (!writesOpticalDiscs(infos[i]) || burn_drive_get_adr(&infos[i], address) <= 0)
                continue;
            if (isoburn_drive_grab(infos[i].drive, 0) > 0) {
                if (holdsWritableDisc(infos[i].drive))
                    address_ = address;
                isoburn_drive_release(infos[i].drive, 0);
            }
        }
        if (infos != nullptr)
            burn_drive_info_free(infos);
        present = !address_.empty();
        if (!present)
            problem_ = {BurnProblem::Kind::NoDriveFound, {}, queuedSystemError()};
        return true;
    }

    BurnProblem problem() const override { return problem_; }

    bool recorderDriveAddress(std::string& address) override
    {
        address = address_;
        return !address_.empty();
    }

    int burn(const std::string& folder, const BurnProgress& progress) override
    {
        problem_ = {};
        const int failed = write(folder, progress);
        if (failed != 0)
            problem_ = {BurnProblem::Kind::WriteFailed, address_, queuedSystemError()};
        return failed;
    }

private:
    int write(const std::string& folder, const BurnProgress& progress)
    {
        const AcquiredDrive drive(address_);
        if (drive.get() == nullptr || !holdsWritableDisc(drive.get()))
            return 1;
        Disc disc = prepare(drive.get(), folder);
        if (!disc)
            return 2;
        const WriteOpts options(burn_write_opts_new(drive.get()));
        if (!options)
            return 3;
        burn_write_opts_set_multi(options.get(), 0);  // close the disc
        burn_write_opts_set_underrun_proof(options.get(), 1);
        const int total = burn_disc_get_sectors(disc.get());
        isoburn_disc_write(options.get(), disc.get());
        burn_progress state = {};
        // libburn marks the drive busy before it returns from starting the
        // write; a drive still idle refused the write.
        if (burn_drive_get_status(drive.get(), &state) == BURN_DRIVE_IDLE) {
            isoburn_cancel_prepared_write(drive.get(), nullptr, 0);
            return 4;
        }
        while (burn_drive_get_status(drive.get(), &state) != BURN_DRIVE_IDLE) {
            if (progress)
                progress(std::min(state.sector, total), total);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const bool written = isoburn_drive_wrote_well(drive.get()) == 1 && isoburn_activate_session(drive.get()) > 0;
        if (!written)
            isoburn_cancel_prepared_write(drive.get(), nullptr, 0);
        isoburn_sync_after_write(drive.get(), nullptr, 0);
        // A failed write thread goes on tidying up after its drive is idle,
        // and libburn refuses the next write until it has ended.
        if (!written)
            std::this_thread::sleep_for(std::chrono::seconds(3));
        if (written && progress)
            progress(total, total);
        return written ? 0 : 4;
    }

    // The disc's earlier sessions, if any, with the folder's files added (not
    // its subfolders), laid out as a new session for the drive.
    static Disc prepare(burn_drive* drive, const std::string& folder)
    {
        isoburn_read_opts* rawRead = nullptr;
        if (isoburn_ropt_new(&rawRead, 0) <= 0)
            return nullptr;
        const ReadOpts readOptions(rawRead);
        isoburn_ropt_set_extensions(rawRead, isoburn_ropt_noaaip | isoburn_ropt_noacl | isoburn_ropt_noea);
        IsoImage* rawImage = nullptr;
        if (isoburn_read_image(drive, rawRead, &rawImage) <= 0)
            return nullptr;
        const Image image(rawImage);
        iso_image_set_volume_id(rawImage, kVolumeId);
        IsoDir* root = iso_image_get_root(rawImage);
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::absolute(folder, error), error)) {
            if (!entry.is_regular_file(error))
                continue;
            // A file of the same name from an earlier session gives way to the new one.
            if (IsoNode* earlier = nullptr; iso_dir_get_node(root, entry.path().filename().c_str(), &earlier) == 1)
                iso_node_remove(earlier);
            if (iso_tree_add_node(rawImage, root, entry.path().c_str(), nullptr) < 0)
                return nullptr;
        }
        if (error)
            return nullptr;
        isoburn_imgen_opts* rawGen = nullptr;
        if (isoburn_igopt_new(&rawGen, 0) <= 0)
            return nullptr;
        const ImageOpts imageOptions(rawGen);
        isoburn_igopt_set_extensions(rawGen, isoburn_igopt_rockridge | isoburn_igopt_joliet);
        isoburn_igopt_set_level(rawGen, 2);
        burn_disc* disc = nullptr;
        if (isoburn_prepare_disc(drive, &disc, rawGen) <= 0)
            return nullptr;
        return Disc(disc);
    }

    std::string named_;
    std::string address_;
    BurnProblem problem_;
};

}

BurnLibraries::BurnLibraries()
{
    char message[1024] = {};
    started_ = isoburn_initialize(message, 0) == 1;
    if (started_)
        queueProblems();
}

BurnLibraries::~BurnLibraries()
{
    if (started_)
        isoburn_finish();
}

std::unique_ptr<CdBurner> createCdBurner(const std::string& address)
{
    if (!isoburn_is_compatible(isoburn_header_version_major, isoburn_header_version_minor, isoburn_header_version_micro, 0))
        return nullptr;
    return std::make_unique<LibburnCdBurner>(address);
}

std::vector<std::string> scanRecorders()
{
    std::vector<std::string> addresses;
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    if (!scanDrives(infos, count))
        return addresses;
    for (unsigned int i = 0; i < count; ++i) {
        char address[BURN_DRIVE_ADR_LEN] = {};
        if (writesOpticalDiscs(infos[i]) && burn_drive_get_adr(&infos[i], address) > 0)
            addresses.emplace_back(address);
    }
    if (infos != nullptr)
        burn_drive_info_free(infos);
    queuedSystemError();
    return addresses;
}

std::optional<std::string> cdStagingFolder()
{
    const std::string folder = userDataFile("nagrywanie");
    if (folder.empty())
        return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error))
        return std::nullopt;
    return folder;
}

}
