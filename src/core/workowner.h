#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tw {

// Who made a hidden work file or an intent record in a shared folder: the machine, the boot
// it was running, the process and when it started. On a network share each workstation sees
// only its own file locks, so a lock cannot say whether another machine's program still
// works; the owner can. Another machine's work is never touched, and this machine's only
// once its process is gone.
struct WorkOwner
{
    std::string machine; // 16 hex digits: the machine id and the host name
    std::string boot;    // 8 hex digits: the kernel's boot id
    pid_t pid = 0;
    unsigned long long start = 0; // the process's start, in clock ticks since boot

    // This process, as it is now (a forked child is its own owner).
    static WorkOwner self();

    // The owner as file names carry it: "MACHINE.BOOT.PID.START", in lower-case hex.
    std::string tag() const;
    static std::optional<WorkOwner> fromTag(std::string_view tag);

    bool onThisMachine() const;
    // True when this machine's process that made the file is gone: the machine was booted
    // again since, or no process of that number and start runs now. False for another
    // machine, and wherever it cannot tell.
    bool gone() const;

    friend bool operator==(const WorkOwner &, const WorkOwner &) = default;
};

// This machine's name, for telling a user which workstation holds a record.
std::string hostName();

} // namespace tw
