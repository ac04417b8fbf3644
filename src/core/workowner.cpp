#include "core/workowner.h"

#include "core/digest.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unistd.h>

namespace tw {

namespace {

std::string firstLine(const char *path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string hexNumber(unsigned long long value)
{
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    return std::string(buffer, end);
}

// Containers cloned from one image can share a machine id: the host name tells them apart.
const std::string &thisMachine()
{
    static const std::string machine = [] {
        std::string id = firstLine("/etc/machine-id");
        if (id.empty()) {
            id = firstLine("/var/lib/dbus/machine-id");
        }
        return hexDigits(fnv1a(id + '\n' + hostName()), 16);
    }();
    return machine;
}

const std::string &thisBoot()
{
    static const std::string boot =
        hexDigits(fnv1a(firstLine("/proc/sys/kernel/random/boot_id")) & 0xFFFFFFFFULL, 8);
    return boot;
}

// The start of a process in clock ticks since boot (field 22 of /proc/PID/stat); nothing
// when it cannot be read.
std::optional<unsigned long long> startOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(in, text);
    // The command name (field 2) is in brackets and may hold blanks and brackets itself.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n) {
        if (n == 22) {
            unsigned long long start = 0;
            const auto [end, error] =
                std::from_chars(field.data(), field.data() + field.size(), start);
            if (error == std::errc{} && end == field.data() + field.size()) {
                return start;
            }
        }
    }
    return std::nullopt;
}

bool isHex(std::string_view text, std::size_t least, std::size_t most)
{
    return text.size() >= least && text.size() <= most &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

template <class Number> std::optional<Number> hexValue(std::string_view text)
{
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

WorkOwner WorkOwner::self()
{
    // The start of this process is read once per process: a forked child reads its own.
    static std::mutex guard;
    static pid_t known = 0;
    static unsigned long long start = 0;
    const pid_t pid = ::getpid();
    {
        const std::lock_guard lock(guard);
        if (known != pid) {
            start = startOf(pid).value_or(0);
            known = pid;
        }
    }
    return WorkOwner{thisMachine(), thisBoot(), pid, start};
}

std::string WorkOwner::tag() const
{
    return machine + '.' + boot + '.' + hexNumber(static_cast<unsigned long long>(pid)) + '.' +
           hexNumber(start);
}

std::optional<WorkOwner> WorkOwner::fromTag(std::string_view tag)
{
    std::string_view parts[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = tag.find('.');
        if ((dot == std::string_view::npos) != (i == 3)) {
            return std::nullopt;
        }
        parts[i] = tag.substr(0, dot);
        tag = dot == std::string_view::npos ? std::string_view() : tag.substr(dot + 1);
    }
    if (!isHex(parts[0], 16, 16) || !isHex(parts[1], 8, 8) || !isHex(parts[2], 1, 8) ||
        !isHex(parts[3], 1, 16)) {
        return std::nullopt;
    }
    const auto pid = hexValue<unsigned long>(parts[2]);
    const auto start = hexValue<unsigned long long>(parts[3]);
    if (!pid || !start || *pid == 0 || *pid > 0x7FFFFFFFUL) {
        return std::nullopt;
    }
    return WorkOwner{
        std::string(parts[0]), std::string(parts[1]), static_cast<pid_t>(*pid), *start};
}

bool WorkOwner::onThisMachine() const
{
    return machine == thisMachine();
}

bool WorkOwner::gone() const
{
    if (!onThisMachine()) {
        return false;
    }
    if (boot != thisBoot()) {
        return true; // every process of an earlier boot has ended
    }
    if (::kill(pid, 0) != 0 && errno == ESRCH) {
        return true;
    }
    // A process of that number runs: it is the owner unless it started at another time.
    const std::optional<unsigned long long> running = startOf(pid);
    return running && *running != start;
}

} // namespace tw
