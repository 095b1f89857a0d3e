#include "tests/support/other_user.h"

#include <cstdlib>
#include <grp.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvo::test {

bool canActAsAnotherUser()
{
    return ::geteuid() == 0;
}

std::string sharedFolderIn(const std::string& testFolder, const std::string& name)
{
    const std::string folder = testFolder + "/" + name;
    if (::chmod(testFolder.c_str(), 0755) != 0 || ::mkdir(folder.c_str(), 0777) != 0
        || ::chmod(folder.c_str(), 01777) != 0)
        throw std::runtime_error("cannot make the shared folder " + folder);
    return folder;
}

bool runAsNobody(const std::string& command)
{
    const std::string id = std::to_string(kNobody);
    const std::string line = "setpriv --reuid=" + id + " --regid=" + id + " --clear-groups sh -c '" + command + "'";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<std::string> answerAsNobody(const std::function<std::string()>& work, const std::string& folder)
{
    int answer[2];
    if (::pipe(answer) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0
            || (!folder.empty() && ::chdir(folder.c_str()) != 0))
            ::_exit(1);
        const std::string text = work();
        const bool written = ::write(answer[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(answer[1]);
    std::string text;
    char buffer[512];
    for (ssize_t got; child > 0 && (got = ::read(answer[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(answer[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}

}
