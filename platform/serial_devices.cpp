#include "platform/serial_devices.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include "platform/descriptor.h"
#include "platform/file_access.h"

namespace kelvo::platform {

namespace fs = std::filesystem;

namespace {

std::string deviceRoot()
{
    const char* root = std::getenv("KELVO_DEVICE_ROOT");
    std::string path = root != nullptr ? root : "";
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

std::string firstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// The digits at the end of a name, so that ttyS2 comes before ttyS10.
bool byNumber(const std::string& a, const std::string& b)
{
    const auto digits = [](const std::string& name) {
        const auto end = name.find_last_not_of("0123456789");
        return end == std::string::npos ? name.size() : end + 1;
    };
    const auto aCut = digits(a);
    const auto bCut = digits(b);
    if (a.compare(0, aCut, b, 0, bCut) != 0 || aCut == a.size() || bCut == b.size())
        return a < b;
    // Compared as digit strings without leading zeros, so that no number is too long to compare.
    const auto number = [](const std::string& name, std::size_t cut) {
        const auto first = name.find_first_not_of('0', cut);
        return first == std::string::npos ? std::string("0") : name.substr(first);
    };
    const std::string aNumber = number(a, aCut);
    const std::string bNumber = number(b, bCut);
    return aNumber.size() != bNumber.size() ? aNumber.size() < bNumber.size() : aNumber < bNumber;
}

std::vector<std::string> entriesOf(const std::string& folder, const std::string& prefix)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.size() > prefix.size())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), byNumber);
    return names;
}

// The USB device above the tty holds its names; the interface and the
// usb-serial port sit between, so a few levels are searched.
std::string usbDescription(const std::string& root, const std::string& ttyName)
{
    std::error_code error;
    fs::path folder = fs::canonical(root + "/sys/class/tty/" + ttyName + "/device", error);
    if (error)
        return {};
    for (int level = 0; level < 4 && folder.has_relative_path(); ++level, folder = folder.parent_path()) {
        const std::string maker = firstLine(folder / "manufacturer");
        const std::string product = firstLine(folder / "product");
        if (!maker.empty() || !product.empty())
            return maker.empty() || product.empty() ? maker + product : maker + " " + product;
        const std::string vendorId = firstLine(folder / "idVendor");
        if (!vendorId.empty())
            return "USB " + vendorId + ":" + firstLine(folder / "idProduct");
    }
    return {};
}

std::string describe(const std::string& root, const std::string& ttyName)
{
    if (std::string usb = usbDescription(root, ttyName); !usb.empty())
        return usb;
    if (ttyName.starts_with("ttyUSB"))
        return "adapter USB";
    if (ttyName.starts_with("ttyACM"))
        return "urządzenie USB (ACM)";
    if (ttyName.starts_with("ttyS"))
        return "port szeregowy";
    return {};
}

// A ttyS device node exists for every possible 8250 port; only those with a
// known UART behind them are ports.
bool isRealPort(const std::string& root, const std::string& ttyName)
{
    const Descriptor port(::open((root + "/dev/" + ttyName).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    serial_struct info {};
    if (port.get() >= 0 && ::ioctl(port.get(), TIOCGSERIAL, &info) == 0)
        return info.type != PORT_UNKNOWN;
    const std::string type = firstLine(root + "/sys/class/tty/" + ttyName + "/type");
    return !type.empty() && type != "0";
}

}

std::vector<SerialDevice> serialDevices()
{
    const std::string root = deviceRoot();
    std::vector<SerialDevice> devices;
    const std::string byId = root + "/dev/serial/by-id";
    for (const std::string& name : entriesOf(byId, "")) {
        const std::string path = byId + "/" + name;
        std::error_code error;
        const fs::path link = fs::read_symlink(path, error);
        if (error || !fs::exists(path, error))
            continue;
        const std::string target = link.is_absolute() ? link.string() : (fs::path(byId) / link).lexically_normal().string();
        devices.push_back({path, target, describe(root, fs::path(target).filename().string())});
    }
    for (const std::string prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        for (const std::string& name : entriesOf(root + "/dev", prefix)) {
            if (prefix == "ttyS" && !isRealPort(root, name))
                continue;
            const std::string path = root + "/dev/" + name;
            devices.push_back({path, path, describe(root, name)});
        }
    }
    return devices;
}

std::string preferredDeviceName(const std::string& path, const std::vector<SerialDevice>& devices)
{
    for (const SerialDevice& device : devices)
        if (device.path != device.target && (device.path == path || sameFile(device.target, path)))
            return device.path;
    return path;
}

}
