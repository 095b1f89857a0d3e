#include "frontend/logic/connection_diagnosis.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <kelvo/kelvodrv_contract.h>
#include <unistd.h>

#include "frontend/logic/seat_access.h"
#include "frontend/logic/system_reason.h"
#include "frontend/logic/tcp_link.h"
#include "platform/descriptor.h"
#include "platform/device_users.h"
#include "platform/folder_lock.h"
#include "platform/port_map.h"
#include "platform/tcp_probe.h"

namespace kelvo::frontend {

namespace {

std::string holderText(const platform::LockHolder& holder)
{
    return " (" + (holder.program.empty() ? std::string("program") : holder.program) + ", PID " + std::to_string(holder.pid) + ")";
}

std::string busyText(const std::string& path, dev_t device)
{
    std::string text = "zajęty przez inny program";
    if (const auto holder = platform::flockHolder(path))
        return text + holderText(*holder);
    if (const auto user = platform::deviceUser(device))
        return text + holderText(*user);
    return text;
}

// Joining the device's group helps, unless that group is root's: then only the administrator can give access.
std::string permissionText(const struct stat& st)
{
    if (st.st_gid == 0)
        return "brak uprawnień; urządzenie należy do grupy root, do której nie należy dopisywać użytkowników: "
               "poproś administratora o dostęp do niego albo o zainstalowanie reguły udev pakietu kelvor";
    const group* owner = ::getgrgid(st.st_gid);
    const std::string name = owner != nullptr ? owner->gr_name : std::to_string(st.st_gid);
    return "brak uprawnień; urządzenie należy do grupy " + name + ": dodaj użytkownika do tej grupy (sudo usermod -aG "
        + name + " $USER) i zaloguj się ponownie";
}

std::string unreachedText(const TcpLink& target)
{
    const auto probe = platform::probeTcp(target.host, target.port, std::chrono::seconds(std::max(target.seconds, 1)));
    switch (probe.reach) {
    case platform::TcpReach::Connected: return "połączenie udaje się teraz; serwer mógł być chwilowo zajęty";
    case platform::TcpReach::Refused: return "połączenie odrzucone";
    case platform::TcpReach::NoAnswer: return "brak odpowiedzi w " + std::to_string(target.seconds) + " s";
    case platform::TcpReach::UnknownHost: return "nie znaleziono hosta";
    case platform::TcpReach::Failed: break;
    }
    return systemReason(probe.error);
}

std::string diagnoseTcp(const TcpLink& target, int resultCode, bool firstRequest)
{
    const std::string name = "TCP " + target.host + ":" + std::to_string(target.port) + ": ";
    if (resultCode == KELVODRV_RESULT_PORT_NOT_OPENED || resultCode == KELVODRV_RESULT_SOCKET_FAILURE
        || resultCode == KELVODRV_RESULT_UNKNOWN_HOST)
        return name + unreachedText(target);
    if (resultCode != KELVODRV_RESULT_SOCKET_TIMEOUT || !firstRequest)
        return {};
    if (target.converter)
        return name + "połączono, ale konwerter nie odpowiedział w " + std::to_string(target.seconds)
            + " s (sprawdź identyfikator konwertera i jego połączenie z kasą)";
    return name + "połączono, ale odpowiedź kasy nie przyszła w " + std::to_string(target.seconds)
        + " s; jeśli po drugiej stronie jest konwerter linii, to połączenie trzeba ustawić jako konwerter "
          "(kelvor-cli --converter --converter-id ID)";
}

}

// What stands at the path, as the driver's open of it would find it.
std::string deviceProblem(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        struct stat link {};
        if (errno == ENOENT && ::lstat(path.c_str(), &link) == 0)
            return "dowiązanie prowadzi do urządzenia, którego nie ma (odłączone?)";
        return errno == ENOENT ? "nie ma takiego pliku (urządzenie odłączone albo źle wskazane)" : systemReason(errno);
    }
    if (S_ISDIR(st.st_mode))
        return "to folder, nie port szeregowy";
    if (S_ISREG(st.st_mode))
        return "to zwykły plik, nie port szeregowy";
    if (!S_ISCHR(st.st_mode))
        return "to nie jest port szeregowy";
    const platform::Descriptor port(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (port.get() < 0) {
        if (errno == EACCES || errno == EPERM) {
            // A USB adapter that the package's udev rule covers gets that advice instead.
            const std::string adapterAdvice = seatAccessAdviceFor(path);
            return adapterAdvice.empty() ? permissionText(st) : adapterAdvice;
        }
        if (errno == EBUSY)
            return busyText(path, st.st_rdev);
        return systemReason(errno);
    }
    if (::isatty(port.get()) == 0)
        return "urządzenie nie jest portem szeregowym";
    if (::flock(port.get(), LOCK_EX | LOCK_NB) != 0)
        return busyText(path, st.st_rdev);
    // A program that takes no lock shares the line with the driver and takes the register's answers.
    if (const auto user = platform::deviceUser(st.st_rdev))
        return "otwarty jednocześnie przez inny program" + holderText(*user) + ", który przejmuje odpowiedzi kasy; zamknij go";
    return {};
}

std::string diagnoseFailedRequest(const ParameterRecord& record, int resultCode, bool firstRequest)
{
    if (const auto tcp = tcpLinkOf(record.linkPort, record.linkTail))
        return diagnoseTcp(*tcp, resultCode, firstRequest);
    const bool timedOut = resultCode == KELVODRV_RESULT_SEND_TIMEOUT || resultCode == KELVODRV_RESULT_RECEIVE_TIMEOUT;
    if (!(resultCode == KELVODRV_RESULT_PORT_NOT_OPENED || (timedOut && firstRequest)))
        return {};
    return diagnoseConnection(record.port, record.speed, resultCode);
}

std::string diagnoseConnection(std::int32_t port, std::int32_t speed, int resultCode)
{
    const std::string name = "COM" + std::to_string(port);
    const std::string path = platform::portDevicePath(name);
    std::string state = deviceProblem(path);
    if (state.empty())
        state = resultCode == KELVODRV_RESULT_PORT_NOT_OPENED ? "port otwiera się teraz; mógł być chwilowo zajęty"
                                             : "kasa nie odpowiada przy szybkości " + std::to_string(speed)
                + " (sprawdź kabel, zasilanie kasy i ustawioną w niej szybkość)";
    return name + " → " + path + ": " + state;
}

}
