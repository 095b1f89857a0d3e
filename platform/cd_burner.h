// Burning a folder to a recordable CD, in three steps as the front end asks
// for them: is there a recorder with a writable disc, what is its address,
// write the folder. Built on libisoburn (libburn writes, libisofs lays out the
// ISO 9660 image). A recorder is found by libburn's drive scan, or named (a
// device such as /dev/sr0, or stdio:/path/disc.iso to write an image file
// instead of a disc).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::platform {

// Sectors written so far and the sectors of the whole session (0 while not
// yet known). Called on the thread that burns.
using BurnProgress = std::function<void(int written, int total)>;

// Why the recorder could not be used, as far as the program can tell.
struct BurnProblem {
    enum class Kind { None, DriveNotOpened, NoWritableDisc, NoDriveFound, WriteFailed };
    Kind kind = Kind::None;
    std::string address;  // the recorder concerned, when one was named or found
    int osError = 0;      // the system error behind it; 0 when none is known
};

class CdBurner {
public:
    virtual ~CdBurner() = default;
    // What made the last step fail; Kind::None after a step that worked.
    virtual BurnProblem problem() const { return {}; }
    // False when the question could not be asked; otherwise present tells
    // whether a recorder holds a blank or appendable disc.
    virtual bool hasRecordableDrive(bool& present) = 0;
    // The recorder's address (device file or stdio: name); false when unknown.
    virtual bool recorderDriveAddress(std::string& address) = 0;
    // Writes the folder's files (not its subfolders) as one session of ISO 9660 with Joliet and
    // Rock Ridge names and closes the disc; 0 on success, non-zero otherwise.
    virtual int burn(const std::string& folder, const BurnProgress& progress) = 0;
};

// libisoburn, libisofs and libburn, started for the lifetime of the object
// on the thread that burns. Their own messages (English) stay in libburn's
// queue, off the terminal; the burner reads the system error from them.
class BurnLibraries {
public:
    BurnLibraries();
    ~BurnLibraries();
    BurnLibraries(const BurnLibraries&) = delete;
    BurnLibraries& operator=(const BurnLibraries&) = delete;
    bool started() const { return started_; }

private:
    bool started_ = false;
};

// Null when the libraries in use cannot serve this program. An empty
// address takes the first recorder the scan finds.
std::unique_ptr<CdBurner> createCdBurner(const std::string& address);

// The addresses of the drives that write CDs or DVDs, as libburn's scan
// finds them; the libraries must be started.
std::vector<std::string> scanRecorders();

// The folder for files waiting to be burned, $XDG_DATA_HOME/kelvor/nagrywanie
// (else ~/.local/share/kelvor/nagrywanie), created when missing; nothing when
// it can be neither found nor created.
std::optional<std::string> cdStagingFolder();

}
