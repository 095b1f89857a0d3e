#include "tests/support/other_user.h"

#include <cstdlib>
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

}
