#include "paradox/intent.h"

#include "core/fileio.h"
#include "core/filename.h"
#include "core/filestep.h"
#include "core/workowner.h"
#include "paradox/family.h"
#include "paradox/intentrecord.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tw::paradox {

namespace {

using namespace intent;

[[noreturn]] void throwErrno(int error, const std::string &what)
{
    throw std::system_error(error, std::generic_category(), what);
}

// The intent record of one running operation: written and on disk before the first file
// moves, locked while the operation runs, removed once it is resolved.
class RecordFile
{
public:
    RecordFile(const Folder &folder, const Record &record)
        : m_folder(folder)
    {
        for (int attempt = 0; !m_fd; ++attempt) {
            m_name = recordName(record.owner, uniqueTail());
            try {
                m_fd = folder.createNew(m_name, 0600);
            } catch (const std::system_error &e) {
                if (e.code().value() != EEXIST || attempt > 100) {
                    throw;
                }
            }
        }
        lockWhileOpen(m_fd.get());
        if (!writeAll(m_fd.get(), serialize(record)) || ::fsync(m_fd.get()) != 0) {
            const int error = errno != 0 ? errno : ENOSPC;
            remove();
            throwErrno(error, "cannot write to " + shownText(folder.path().string()));
        }
        folder.sync();
    }

    // A record whose operation could not be resolved stays for the next recovery.
    ~RecordFile() = default;
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    void remove()
    {
        m_folder.remove(m_name);
        m_fd.reset();
        m_folder.sync();
    }

private:
    const Folder &m_folder;
    std::string m_name;
    UniqueFd m_fd;
};

// The commit point: the new .db in place, or for a delete the old .db gone.
bool committed(const Folder &folder, const Record &record)
{
    if (!record.added.empty()) {
        return holds(folder, record.added.back().name, record.added.back().id);
    }
    return !holds(folder, record.old.front().name, record.old.front().id);
}

// True when the hidden name of an old file holds that file, or the empty file that kept
// the name for it.
bool asideHolds(const Folder &folder, const Record::OldFile &file)
{
    const auto id = idOf(folder, file.aside);
    return id && id->device == file.id.device &&
           (id->inode == file.id.inode || id->inode == file.placeholder);
}

void moveAside(const Folder &folder, const Record &record)
{
    for (const Record::OldFile &file : record.old) {
        if (file.aside.empty()) {
            continue;
        }
        fileStep();
        if (!holds(folder, file.name, file.id)) {
            throwErrno(ENOENT, shownText(file.name) + " changed while it was replaced");
        }
        if (const int error = folder.rename(file.name, file.aside); error != 0) {
            throwErrno(error, "cannot move " + shownText(file.name) + " aside");
        }
    }
}

void placeAdded(const Folder &folder, const Record &record)
{
    for (const Record::NewFile &file : record.added) {
        fileStep();
        if (const int error = folder.place(file.hidden, file.name); error != 0) {
            throwErrno(error, "cannot put " + shownText(file.name) + " in place");
        }
    }
}

// Past the commit point: the new files all in place, the old ones gone. Returns the old
// files that could not be removed.
std::vector<std::string> complete(const Folder &folder,
                                  const Record &record,
                                  const TrashFiles &trash,
                                  const std::function<void()> &beforeEach)
{
    for (const Record::NewFile &file : record.added) {
        if (!holds(folder, file.hidden, file.id)) {
            continue;
        }
        if (holds(folder, file.name, file.id)) {
            folder.remove(file.hidden); // the second name a link left
        } else {
            folder.place(file.hidden, file.name);
        }
    }
    std::vector<std::string> old;
    for (const Record::OldFile &file : record.old) {
        if (!file.aside.empty() && asideHolds(folder, file)) {
            fileStep();
            folder.remove(file.aside);
        }
        if (holds(folder, file.name, file.id)) {
            old.push_back(file.name);
        }
    }
    if (old.empty() ||
        (record.disposal == Record::Disposal::Trash && trash && trash(folder, old))) {
        return {};
    }
    std::vector<std::string> left;
    for (const std::string &name : old) {
        if (beforeEach) {
            beforeEach();
        }
        fileStep();
        if (folder.remove(name) != 0 && folder.status(name)) {
            left.push_back(name);
        }
    }
    return left;
}

// Before the commit point: the new files gone, the old ones back under their names. False
// when an old file could not take its name back (it then stays under its hidden name, and
// the record stays with it).
bool undo(const Folder &folder, const Record &record)
{
    for (auto it = record.added.rbegin(); it != record.added.rend(); ++it) {
        if (holds(folder, it->name, it->id)) {
            folder.remove(it->name);
        }
        if (holds(folder, it->hidden, it->id)) {
            folder.remove(it->hidden);
        }
    }
    bool whole = true;
    for (auto it = record.old.rbegin(); it != record.old.rend(); ++it) {
        if (it->aside.empty()) {
            continue;
        }
        if (holds(folder, it->aside, it->id)) {
            whole = folder.place(it->aside, it->name) == 0 && whole;
        } else if (asideHolds(folder, *it)) {
            folder.remove(it->aside); // the empty file that held the name
        }
    }
    return whole;
}

// Runs an operation under its record: a failure before the commit point undoes it.
std::vector<std::string> run(const Folder &folder,
                             const Record &record,
                             const TrashFiles &trash = {},
                             const std::function<void()> &beforeEach = {})
{
    RecordFile file(folder, record);
    try {
        moveAside(folder, record);
        placeAdded(folder, record);
    } catch (...) {
        if (undo(folder, record)) {
            file.remove();
        }
        throw;
    }
    std::vector<std::string> left = complete(folder, record, trash, beforeEach);
    file.remove();
    folder.sync();
    return left;
}

Record newRecord()
{
    Record record;
    record.owner = WorkOwner::self().tag();
    record.host = hostName();
    return record;
}

FileId idOrThrow(const Folder &folder, std::string_view name)
{
    const auto id = idOf(folder, name);
    if (!id) {
        throwErrno(ENOENT, "cannot find " + shownText(name));
    }
    return *id;
}

Record::NewFile added(const Folder &folder, const FinishedFile &file)
{
    return {file.hidden, file.name, idOrThrow(folder, file.hidden)};
}

Record::OldFile oldFile(const Folder &folder, const std::string &name)
{
    return {name, idOrThrow(folder, name), {}, 0};
}

// Open descriptors closed when the operation ends; they hold the locks of its hidden files.
class OpenFiles
{
public:
    OpenFiles() = default;
    OpenFiles(const OpenFiles &) = delete;
    OpenFiles &operator=(const OpenFiles &) = delete;

    ~OpenFiles()
    {
        for (const int fd : m_fds) {
            ::close(fd);
        }
    }

    void keep(int fd) { m_fds.push_back(fd); }

private:
    std::vector<int> m_fds;
};

// Copies a regular file of the folder into a new hidden file beside `target` with the mode
// of the original, and makes the copy durable. The hidden file stays open (and so locked)
// in `open`.
std::string copyToHidden(const Folder &folder,
                         const std::string &from,
                         const std::string &target,
                         OpenFiles &open)
{
    const UniqueFd in = folder.openRegular(from, O_RDONLY);
    const HiddenFile copy = createHiddenBeside(folder, target);
    open.keep(copy.fd);

    struct stat info
    {};

    int error = 0;
    if (::fstat(in.get(), &info) != 0 || ::fchmod(copy.fd, info.st_mode & 0777) != 0) {
        error = errno;
    }
    if (error == 0 && !copyAll(in.get(), copy.fd)) {
        error = errno;
    }
    if (error == 0 && ::fsync(copy.fd) != 0) {
        error = errno;
    }
    if (error != 0) {
        folder.remove(copy.name);
        throwErrno(error, "cannot copy " + shownText(from) + " to " + shownText(target));
    }
    return copy.name;
}

// Reads a record whose owner is this machine's gone process, or says why it is left alone.
// Empty when the record can be acted on.
std::string checkRecord(const Folder &folder, const std::string &name, std::string &text)
{
    UniqueFd fd;
    try {
        fd = folder.openRegular(name, O_RDONLY);
    } catch (const std::system_error &e) {
        return e.what();
    }

    struct stat info
    {};

    if (::fstat(fd.get(), &info) != 0 || info.st_uid != ::getuid()) {
        return "it belongs to another user";
    }
    if (static_cast<std::uint64_t>(info.st_size) > kLongestRecord) {
        return "it is longer than any record the program writes";
    }
    if (lockedElsewhere(fd.get())) {
        return "a running program holds it";
    }
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd.get(), buffer, sizeof buffer)) > 0 && text.size() <= kLongestRecord) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return {};
}

// The name of the machine a record names, from its owner line, for the user.
std::string hostOfRecord(const Folder &folder, const std::string &name, const std::string &tag)
{
    try {
        const UniqueFd fd = folder.openRegular(name, O_RDONLY);
        char buffer[512] = {};
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer - 1);
        const std::string_view text(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
        if (const std::optional<std::string> host = hostIn(text, tag)) {
            return *host;
        }
    } catch (const std::system_error &) {
    }
    return "?";
}

// Removes the hidden work files of this machine's programs that are gone, unless a record
// still needs them. Nothing is opened that is no regular file of this user.
void removeLeftovers(const Folder &folder,
                     const std::vector<std::string> &names,
                     const std::set<std::string> &inUse,
                     const std::set<std::string> &goneMachines)
{
    for (const std::string &name : names) {
        const std::string_view tag = ownerTagOfHiddenName(name);
        const auto info = folder.status(name);
        const auto owner = WorkOwner::fromTag(tag);
        const bool gone = owner && (owner->gone() || goneMachines.count(owner->machine) != 0);
        if (tag.empty() || inUse.count(name) != 0 || !gone || !info || !S_ISREG(info->st_mode) ||
            info->st_uid != ::getuid()) {
            continue;
        }
        try {
            const UniqueFd fd = folder.openRegular(name, O_RDONLY);
            if (!lockedElsewhere(fd.get())) {
                folder.remove(name);
            }
        } catch (const std::system_error &) {
        }
    }
}

} // namespace

void placeTable(const Folder &folder, const std::vector<FinishedFile> &files)
{
    if (files.empty()) {
        return;
    }
    if (files.size() == 1) {
        // One rename puts a lone .db in place whole: there is nothing to record.
        fileStep();
        if (const int error = folder.place(files.front().hidden, files.front().name); error != 0) {
            throwErrno(error, "cannot put " + shownText(files.front().name) + " in place");
        }
        folder.sync();
        return;
    }
    Record record = newRecord();
    for (const FinishedFile &file : files) {
        record.added.push_back(added(folder, file));
    }
    run(folder, record);
}

void replaceTable(const Folder &folder,
                  std::string_view oldDb,
                  const std::vector<FinishedFile> &files)
{
    Record record = newRecord();
    OpenFiles placeholders;
    for (const std::string &file : tableFamily(folder, oldDb)) {
        Record::OldFile old = oldFile(folder, file);
        // The hidden name it moves to is taken (and held) before the record names it.
        const HiddenFile aside = createHiddenBeside(folder, file);
        placeholders.keep(aside.fd);
        old.aside = aside.name;
        old.placeholder = idOrThrow(folder, aside.name).inode;
        record.old.push_back(old);
    }
    for (const FinishedFile &file : files) {
        record.added.push_back(added(folder, file));
    }
    run(folder, record);
}

void copyTable(const Folder &folder,
               const std::vector<std::string> &family,
               const std::string &newStem,
               const std::function<void()> &beforeEach)
{
    if (family.empty()) {
        return;
    }
    Record record = newRecord();
    OpenFiles copies;
    std::vector<Record::NewFile> copied;
    try {
        for (const std::string &file : family) {
            if (beforeEach) {
                beforeEach();
            }
            record.old.push_back(oldFile(folder, file));
            const std::string target = newStem + std::string(extensionOf(file));
            const std::string hidden = copyToHidden(folder, file, target, copies);
            copied.push_back({hidden, target, idOrThrow(folder, hidden)});
        }
    } catch (...) {
        for (const Record::NewFile &file : copied) {
            folder.remove(file.hidden);
        }
        throw;
    }
    // The .db, first in the family, goes in last.
    record.added.assign(copied.rbegin(), copied.rend());
    run(folder, record);
}

std::vector<std::string> deleteTable(const Folder &folder,
                                     const std::vector<std::string> &family,
                                     const TrashFiles &trash,
                                     const std::function<void()> &beforeEach)
{
    if (family.empty()) {
        return {};
    }
    Record record = newRecord();
    record.disposal = trash ? Record::Disposal::Trash : Record::Disposal::Unlink;
    for (const std::string &file : family) {
        record.old.push_back(oldFile(folder, file));
    }
    return run(folder, record, trash, beforeEach);
}

std::vector<std::string>
recoverFolder(const Folder &folder, const TrashFiles &trash, const std::string &goneWorkstation)
{
    std::vector<std::string> names;
    try {
        names = folder.names();
    } catch (const std::system_error &) {
        return {};
    }
    std::vector<std::string> leftAlone;
    auto leave = [&](const std::string &name, const std::string &why) {
        leftAlone.push_back("the intent record " + shownText(name) + " in " +
                            shownText(folder.path().string()) + " was left alone: " + why);
    };
    std::set<std::string> inUse;
    std::set<std::string> goneMachines; // workstations the user said are gone for good
    bool changed = false;
    for (const std::string &name : names) {
        const std::string_view tag = ownerTagOfRecordName(name);
        if (tag.empty()) {
            continue;
        }
        const auto owner = WorkOwner::fromTag(tag);
        const bool foreign = !owner->onThisMachine();
        const std::string host = foreign ? hostOfRecord(folder, name, std::string(tag)) : "";
        if (foreign && (goneWorkstation.empty() || host != goneWorkstation)) {
            leave(name,
                  "another workstation (" + shownText(host) +
                      ") made it and may still be working on the table; see \"A record another "
                      "workstation left\" in the README");
            continue;
        }
        if (foreign) {
            goneMachines.insert(owner->machine);
        } else if (!owner->gone()) {
            continue; // a running program's operation
        }
        std::string text;
        if (const std::string why = checkRecord(folder, name, text); !why.empty()) {
            leave(name, why);
            continue;
        }
        Record record;
        record.owner = std::string(tag);
        const Parsed parsed = parse(text, record);
        if (parsed == Parsed::Invalid) {
            leave(name, "it names files that are not the program's own to move");
            continue;
        }
        changed = true;
        if (parsed == Parsed::Torn) {
            folder.remove(name); // its program moved nothing yet
            continue;
        }
        const bool resolved = committed(folder, record)
                                  ? (complete(folder, record, trash, {}), true)
                                  : undo(folder, record);
        if (resolved) {
            folder.remove(name);
            if (foreign) {
                leftAlone.push_back("the intent record " + shownText(name) + " of " +
                                    shownText(host) + " in " + shownText(folder.path().string()) +
                                    " was resolved: the table is whole again");
            }
        } else {
            for (const Record::OldFile &file : record.old) {
                inUse.insert(file.aside);
            }
        }
    }
    removeLeftovers(folder, names, inUse, goneMachines);
    if (changed) {
        folder.sync();
    }
    return leftAlone;
}

} // namespace tw::paradox
