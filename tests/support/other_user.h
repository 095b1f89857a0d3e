// Another local user for the tests of what such a user can plant: 'nobody',
// reached from root with setpriv. Tests that need it are skipped without root.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kelvo::test {

inline constexpr unsigned kNobody = 65534;

// True when the tests run as root and so can act as another user.
bool canActAsAnotherUser();

// A sticky, world-writable folder like /tmp, made inside the test folder,
// whose own folder others may then enter.
std::string sharedFolderIn(const std::string& testFolder, const std::string& name);

// Runs a shell command as 'nobody'; true when it ended with status 0.
bool runAsNobody(const std::string& command);

// Runs the work in a child process that has become 'nobody' (in the folder,
// when one is given) and returns the text it gave; none when the child could
// not become 'nobody' or did not end normally.
std::optional<std::string> answerAsNobody(const std::function<std::string()>& work, const std::string& folder = "");

}
