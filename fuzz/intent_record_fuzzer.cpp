// Fuzz target for the intent records: the input is a record, which the target puts into a
// scratch folder beside a table family, hidden files and a link, and recovers the folder as
// the listing of a shared folder would. Whatever the record says, nothing outside the folder
// may change: a file beside the folder and one in a home folder are checked after every run.
//
// So that inputs can name the scratch folder's real files, before the record is written
// "{OWNER}" becomes the tag of a gone process of this machine, "{DEV}" the folder's device,
// "<ino:NAME>" the inode of NAME in the folder and "[hex:TEXT]" TEXT in hex.

#include "core/digest.h"
#include "core/folder.h"
#include "core/workowner.h"
#include "paradox/intent.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string read(const fs::path &path)
{
    std::string text;
    if (std::FILE *file = std::fopen(path.c_str(), "rb")) {
        char buffer[256];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, got);
        }
        std::fclose(file);
    }
    return text;
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    if (std::FILE *file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

struct Scratch
{
    fs::path root;
    fs::path folder;
    std::string owner;
};

const Scratch &scratch()
{
    static const Scratch made = [] {
        char pattern[] = "/tmp/tw-intent-fuzz-XXXXXX";
        const char *root = ::mkdtemp(pattern);
        if (root == nullptr) {
            std::abort();
        }
        Scratch s{root, fs::path(root) / "folder", {}};
        fs::create_directories(s.root / "outside");
        fs::create_directories(s.root / "home");
        writeFile(s.root / "outside" / "canary", "canary");
        writeFile(s.root / "home" / ".bashrc", "bashrc");
        // This machine, an earlier boot: every process of it is gone.
        tw::WorkOwner gone = tw::WorkOwner::self();
        gone.boot = "00000000";
        gone.pid = 1;
        gone.start = 1;
        s.owner = gone.tag();
        return s;
    }();
    return made;
}

void replaceAll(std::string &text, const std::string &from, const std::string &to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

std::string hex(const std::string &bytes)
{
    return tw::hexOfBytes(bytes);
}

// Replaces every "<open>TEXT>"-style placeholder with what `make` gives for TEXT.
template <class Make> void expand(std::string &text, const std::string &open, char close, Make make)
{
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        const std::size_t end = text.find(close, at + open.size());
        if (end == std::string::npos) {
            return;
        }
        const std::string made = make(text.substr(at + open.size(), end - at - open.size()));
        text.replace(at, end + 1 - at, made);
        at += made.size();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Scratch &s = scratch();
    fs::remove_all(s.folder);
    fs::create_directories(s.folder);
    const std::string &owner = s.owner;
    writeFile(s.folder / "CUSTOMER.DB", std::string(2048, 'd'));
    writeFile(s.folder / "CUSTOMER.MB", std::string(4096, 'm'));
    writeFile(s.folder / ("." + std::string("CUSTOMER.DB") + ".tw-" + owner + "-AAAAAA"), "");
    writeFile(s.folder / (".CUSTOMER.MB.tw-" + owner + "-BBBBBB"), "");
    writeFile(s.folder / (".CLIENT.DB.tw-" + owner + "-CCCCCC"), std::string(2048, 'n'));
    fs::create_symlink("../outside/canary", s.folder / "LINK.MB");

    std::string record(reinterpret_cast<const char *>(data), size);
    replaceAll(record, "{OWNER}", owner);

    struct stat folderInfo
    {};

    ::stat(s.folder.c_str(), &folderInfo);
    replaceAll(record, "{DEV}", std::to_string(folderInfo.st_dev));
    expand(record, "<ino:", '>', [&](const std::string &name) {
        struct stat info
        {};
        return ::lstat((s.folder / name).c_str(), &info) == 0 ? std::to_string(info.st_ino)
                                                              : std::string("0");
    });
    expand(record, "[hex:", ']', hex);
    writeFile(s.folder / (".tw-intent-" + owner + "-ZZZZZZ"), record);

    try {
        tw::paradox::recoverFolder(
            tw::Folder(s.folder),
            [](const tw::Folder &, const std::vector<std::string> &) { return false; });
    } catch (...) {
        std::fprintf(stderr, "recovery threw\n");
        std::abort();
    }
    // Nothing outside the folder changed.
    std::vector<std::string> outside;
    for (const auto &entry : fs::directory_iterator(s.root)) {
        outside.push_back(entry.path().filename().string());
    }
    std::vector<std::string> beside;
    for (const auto &entry : fs::directory_iterator(s.root / "outside")) {
        beside.push_back(entry.path().filename().string());
    }
    if (outside.size() != 3 || beside != std::vector<std::string>{"canary"} ||
        read(s.root / "outside" / "canary") != "canary" ||
        read(s.root / "home" / ".bashrc") != "bashrc" || !fs::is_directory(s.root / "home")) {
        std::fprintf(stderr, "recovery changed a file outside the folder\n");
        std::abort();
    }
    return 0;
}
