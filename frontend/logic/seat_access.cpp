#include "frontend/logic/seat_access.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <grp.h>
#include <sys/stat.h>

namespace kelvo::frontend {

namespace {

constexpr std::array<std::string_view, 5> kDrivers {"ftdi_sio", "pl2303", "ch341", "cp210x", "cdc_acm"};

}

std::span<const std::string_view> seatAccessDrivers()
{
    return kDrivers;
}

std::string ttyDriver(const std::string& path, const std::string& sysClassTty)
{
    std::error_code error;
    // A /dev/serial/by-id link or a mapped name leads to the node itself.
    const std::filesystem::path node = std::filesystem::canonical(path, error);
    if (error)
        return {};
    const std::filesystem::path driver = std::filesystem::path(sysClassTty) / node.filename() / "device" / "driver";
    const std::filesystem::path target = std::filesystem::read_symlink(driver, error);
    return error ? std::string() : target.filename().string();
}

bool seatAccessRuleInstalled(std::span<const std::string> ruleFolders)
{
    std::error_code error;
    return std::any_of(ruleFolders.begin(), ruleFolders.end(), [&](const std::string& folder) {
        return std::filesystem::exists(std::filesystem::path(folder) / kSeatAccessRule, error);
    });
}

std::string seatAccessAdvice(const std::string& driver, bool ruleInstalled, const std::string& group)
{
    if (std::find(kDrivers.begin(), kDrivers.end(), driver) == kDrivers.end())
        return {};
    const std::string adapter = "brak uprawnień do adaptera USB (sterownik " + driver + ")";
    const std::string orGroup = "dodaj użytkownika do grupy " + group + " (sudo usermod -aG " + group
        + " $USER) i zaloguj się ponownie";
    if (!ruleInstalled)
        return adapter + "; zainstaluj pakiet kelvor, którego reguła udev " + std::string(kSeatAccessRule)
            + " daje dostęp osobie przy komputerze, i podłącz adapter ponownie, albo " + orGroup;
    return adapter + ", choć reguła udev " + std::string(kSeatAccessRule)
        + " daje dostęp osobie zalogowanej przy tym komputerze: podłącz adapter ponownie; pracując zdalnie (ssh) "
        + orGroup;
}

std::string seatAccessAdviceFor(const std::string& path)
{
    static const std::array<std::string, 4> udevRuleFolders {
        "/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
    struct stat st {};
    const group* owner = ::stat(path.c_str(), &st) == 0 ? ::getgrgid(st.st_gid) : nullptr;
    return seatAccessAdvice(ttyDriver(path), seatAccessRuleInstalled(udevRuleFolders),
        owner != nullptr ? owner->gr_name : "dialout");
}

}
