#include "frontend/windows/display_check.h"

#include <QLibraryInfo>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <xcb/xcb.h>

#include "platform/descriptor.h"

namespace kelvo::windows {

namespace {

std::string_view variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

// Connects as Qt's xcb plugin would, with the same address and authority.
bool xServerAnswers()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

bool waylandCompositorAnswers(std::string_view display)
{
    std::string path(display);
    if (!path.starts_with('/')) {
        const std::string_view runtime = variable("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address {};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const platform::Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return socket.get() >= 0 && ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool waylandPluginInstalled()
{
    const std::filesystem::path plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString();
    std::error_code ignored;
    return std::filesystem::exists(plugins / "platforms" / "libqwayland-generic.so", ignored);
}

}

DisplayChoice chooseDisplay()
{
    if (!variable("QT_QPA_PLATFORM").empty())
        return {};
    const std::string_view x = variable("DISPLAY");
    const std::string_view wayland = variable("WAYLAND_DISPLAY");
    const std::string withoutWindows = "; bez okien działa kelvor-cli";
    if (x.empty() && wayland.empty())
        return {{}, "brak ekranu graficznego (nie ustawiono DISPLAY ani WAYLAND_DISPLAY)" + withoutWindows};
    if (!x.empty() && xServerAnswers())
        return {};
    if (!wayland.empty() && waylandCompositorAnswers(wayland)) {
        if (waylandPluginInstalled())
            return {"wayland", {}};
        return {{}, "ekran Wayland " + std::string(wayland) + " wymaga wtyczki Qt z pakietu qt6-wayland" + withoutWindows};
    }
    const std::string_view shown = x.empty() ? wayland : x;
    return {{}, "nie można połączyć się z ekranem graficznym " + std::string(shown) + withoutWindows};
}

}
