// A CUPS daemon of the test's own: its configuration, spool and logs in a
// temporary folder, listening on a socket there, with one queue that writes
// what it prints to a PDF file through the generic PDF driver. The programs
// started meanwhile (and Qt's print support) talk to it through CUPS_SERVER.
#pragma once

#include <string>
#include <sys/types.h>

#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace kelvo::test {

class PrivateCups {
public:
    // Starts the daemon and waits until it answers; the daemon must run as
    // root, since it hands the filters to the lp user.
    PrivateCups();
    ~PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    bool running() const { return running_; }
    // Adds the PDF queue and makes it the server's default printer.
    bool addQueue(const std::string& name);
    // Waits until every job has ended or a job's filters have failed; false
    // when jobs are still waiting after two minutes.
    bool waitForJobs() const;

    std::string output() const { return dir_.file("out/printed.pdf"); }
    std::string pageLog() const;
    std::string errorLog() const;

private:
    TempDir dir_;
    ScopedEnv server_;
    pid_t pid_ = -1;
    bool running_ = false;
};

}
