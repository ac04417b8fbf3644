// A shared folder holds what anyone with write access put there: the recovery of intent
// records acts only on this machine's own records of programs that are gone, and never on
// anything outside the folder, whatever a planted record names.

#include "core/digest.h"
#include "core/folder.h"
#include "core/workowner.h"
#include "paradox/family.h"
#include "paradox/intent.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using tw::test::TempFolder;
namespace fs = std::filesystem;

namespace {

std::string hex(const std::string &bytes)
{
    return tw::hexOfBytes(bytes);
}

// A process of this machine that is gone: it ran in an earlier boot.
std::string goneOwner()
{
    tw::WorkOwner owner = tw::WorkOwner::self();
    owner.boot = owner.boot == "00000000" ? "00000001" : "00000000";
    owner.pid = 4242;
    owner.start = 1;
    return owner.tag();
}

std::string anotherMachine()
{
    tw::WorkOwner owner = tw::WorkOwner::self();
    owner.machine = std::string(16, owner.machine.front() == 'a' ? 'b' : 'a');
    return owner.tag();
}

class SharedFolder : public ::testing::Test
{
protected:
    SharedFolder()
    {
        tw::test::writeFile(outside / "canary", {1, 2, 3});
        fs::create_directories(home.path() / "sub");
        tw::test::writeFile(home / ".bashrc", {4, 5, 6});
        tw::test::writeFile(folder / "CUSTOMER.DB", std::vector<std::uint8_t>(2048, 7));
        tw::test::writeFile(folder / "CUSTOMER.MB", std::vector<std::uint8_t>(4096, 8));
    }

    std::string inode(const fs::path &path) const
    {
        struct stat info
        {};

        ::lstat(path.c_str(), &info);
        return std::to_string(info.st_ino);
    }

    std::string device() const
    {
        struct stat info
        {};

        ::stat(folder.path().c_str(), &info);
        return std::to_string(info.st_dev);
    }

    // A record of `owner` with the given lines between its owner line and its end.
    std::string plant(const std::string &owner, const std::string &lines, const std::string &tail)
    {
        const std::string text = "tablewright intent 2\nowner " + owner + " " + hex("ws7") +
                                 "\ndispose unlink\n" + lines + "end\n";
        const std::string name = ".tw-intent-" + owner + "-" + tail;
        tw::test::writeFile(folder / name, std::vector<std::uint8_t>(text.begin(), text.end()));
        return name;
    }

    std::vector<std::uint8_t> bytes(const fs::path &path) const { return tw::test::readFile(path); }

    TempFolder outside;
    TempFolder home;
    TempFolder folder;
};

} // namespace

TEST_F(SharedFolder, APlantedRecordReachesNothingOutsideTheFolderAndIsLeftAlone)
{
    const std::string gone = goneOwner();
    const std::string dev = device();
    // A hidden file of the gone owner, and the files outside the folder a record may name.
    const std::string hidden = ".CUSTOMER.DB.tw-" + gone + "-Hidden";
    tw::test::writeFile(folder / hidden, {9});
    const std::string placed = "new " + hex(hidden) + " ";
    const std::vector<std::string> planted = {
        // A new file put at an absolute name, and one put through "../".
        plant(gone,
              placed + hex(home.path().string() + "/.bashrc") + " " + dev + " " +
                  inode(folder / hidden) + "\n",
              "Abs001"),
        plant(gone,
              placed + hex("../" + home.path().filename().string() + "/.bashrc") + " " + dev + " " +
                  inode(folder / hidden) + "\n",
              "Dots01"),
        // An old file outside the folder, named by its own inode.
        plant(gone,
              "old " + hex((outside / "canary").string()) + " " + dev + " " +
                  inode(outside / "canary") + " - 0\n",
              "Outs01"),
        // An aside name that is not the program's own: the user's file in the folder.
        plant(gone,
              "old " + hex("CUSTOMER.DB") + " " + dev + " " + inode(folder / "CUSTOMER.DB") + " " +
                  hex("notes.txt") + " 0\n",
              "Aside1"),
        // A hidden name of another owner than the record's.
        plant(gone,
              "new " + hex(".CUSTOMER.DB.tw-" + anotherMachine() + "-Hidden") + " " +
                  hex("CUSTOMER.DB") + " " + dev + " 1\n",
              "Other1"),
    };
    tw::test::writeFile(folder / "notes.txt", {1});
    // A record that is a link to a file outside, and one that is a FIFO: neither is opened.
    const std::string link = ".tw-intent-" + gone + "-Link01";
    fs::create_symlink(outside / "canary", folder / link);
    const std::string fifo = ".tw-intent-" + gone + "-Fifo01";
    ASSERT_EQ(::mkfifo((folder / fifo).c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((folder / (".CUSTOMER.MB.tw-" + gone + "-Fifo02")).c_str(), 0600), 0);
    // Another workstation's record and hidden file, and this running program's.
    const std::string foreign = plant(anotherMachine(),
                                      "old " + hex("CUSTOMER.DB") + " " + dev + " " +
                                          inode(folder / "CUSTOMER.DB") + " - 0\n",
                                      "Remote");
    const std::string foreignHidden = ".CUSTOMER.DB.tw-" + anotherMachine() + "-Remote";
    tw::test::writeFile(folder / foreignHidden, {1});
    const std::string live = plant(tw::WorkOwner::self().tag(),
                                   "old " + hex("CUSTOMER.DB") + " " + dev + " " +
                                       inode(folder / "CUSTOMER.DB") + " - 0\n",
                                   "Live01");

    const std::vector<std::string> leftAlone =
        tw::paradox::recoverFolder(tw::Folder(folder.path()));

    EXPECT_EQ(bytes(outside / "canary"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(bytes(home / ".bashrc"), (std::vector<std::uint8_t>{4, 5, 6}));
    EXPECT_EQ(outside.fileNames(), std::vector<std::string>{"canary"});
    EXPECT_EQ(bytes(folder / "CUSTOMER.DB"), std::vector<std::uint8_t>(2048, 7));
    EXPECT_EQ(bytes(folder / "CUSTOMER.MB"), std::vector<std::uint8_t>(4096, 8));
    EXPECT_EQ(bytes(folder / "notes.txt"), std::vector<std::uint8_t>{1});
    for (const std::string &name : planted) {
        EXPECT_TRUE(fs::exists(folder / name)) << name << " is left for the user to see";
    }
    for (const std::string &name : {link, fifo, foreign, foreignHidden, live}) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(folder / name))) << name;
    }
    EXPECT_TRUE(fs::is_fifo(folder / (".CUSTOMER.MB.tw-" + gone + "-Fifo02")));
    // The hidden file of the gone program went once no valid record needed it.
    EXPECT_FALSE(fs::exists(folder / hidden));
    // Each record left alone is said once, with why; the running program's is not.
    EXPECT_EQ(leftAlone.size(), planted.size() + 3);
    auto said = [&](const std::string &name, const std::string &why) {
        return std::any_of(leftAlone.begin(), leftAlone.end(), [&](const std::string &line) {
            return line.find(name) != std::string::npos && line.find(why) != std::string::npos;
        });
    };
    EXPECT_TRUE(said(foreign, "another workstation (ws7)"));
    EXPECT_TRUE(said(link, "symbolic link"));
    EXPECT_TRUE(said(fifo, "named pipe"));
    EXPECT_TRUE(said(planted.front(), "not the program's own"));
}

TEST_F(SharedFolder, ARecordOfAnotherUserIsLeftAloneAndOneOfOurOwnIsResolved)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs to give a file to another user";
    }
    const std::string gone = goneOwner();
    const std::string lines = "old " + hex("CUSTOMER.DB") + " " + device() + " " +
                              inode(folder / "CUSTOMER.DB") + " - 0\n";
    const std::string theirs = plant(gone, lines, "Their1");
    ASSERT_EQ(::chown((folder / theirs).c_str(), 65534, 65534), 0);
    // A delete of our own that ended before the .db went: undone, the table kept.
    const std::string ours = plant(gone, lines, "Ours01");
    const std::vector<std::string> leftAlone =
        tw::paradox::recoverFolder(tw::Folder(folder.path()));
    ASSERT_EQ(leftAlone.size(), 1U);
    EXPECT_NE(leftAlone.front().find("another user"), std::string::npos) << leftAlone.front();
    EXPECT_TRUE(fs::exists(folder / theirs));
    EXPECT_FALSE(fs::exists(folder / ours));
    EXPECT_EQ(bytes(folder / "CUSTOMER.DB"), std::vector<std::uint8_t>(2048, 7));
}

// A rename copies a table's files: a companion that is a link is refused, never copied, so
// what it points at (the settings file with the password, say) never lands in the share.
TEST_F(SharedFolder, ACopyRefusesAFamilyFileThatIsALinkOrAPipe)
{
    fs::remove(folder / "CUSTOMER.MB");
    fs::create_symlink(outside / "canary", folder / "CUSTOMER.MB");
    const tw::Folder opened(folder.path());
    const auto family = tw::paradox::tableFamily(opened, "CUSTOMER.DB");
    ASSERT_EQ(family.size(), 2U);
    try {
        tw::paradox::copyTable(opened, family, "CLIENT");
        ADD_FAILURE() << "the link was copied";
    } catch (const tw::FileRefused &e) {
        EXPECT_NE(std::string(e.what()).find("CUSTOMER.MB is a symbolic link"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(folder.fileNames(), (std::vector<std::string>{"CUSTOMER.DB", "CUSTOMER.MB"}));
    // A delete moves the link itself; what it points at stays.
    EXPECT_TRUE(tw::paradox::deleteTable(opened, family).empty());
    EXPECT_TRUE(folder.fileNames().empty());
    EXPECT_EQ(bytes(outside / "canary"), (std::vector<std::uint8_t>{1, 2, 3}));
}

// A workstation the user says is gone for good: its half-done replace is undone as it would
// have undone it itself, and its hidden files go; another workstation's record stays.
TEST_F(SharedFolder, ARecordOfAWorkstationGoneForGoodIsResolvedWhenTheUserSaysSo)
{
    tw::WorkOwner gone = tw::WorkOwner::self();
    gone.machine = std::string(16, gone.machine.front() == 'c' ? 'd' : 'c');
    const std::string tag = gone.tag();
    // Its replace had moved the old .db aside; the new one was not in place yet.
    const std::string aside = ".CUSTOMER.DB.tw-" + tag + "-Aside1";
    const std::string fresh = ".CUSTOMER.DB.tw-" + tag + "-NewDb1";
    const std::string dbInode = inode(folder / "CUSTOMER.DB");
    fs::rename(folder / "CUSTOMER.DB", folder / aside);
    tw::test::writeFile(folder / fresh, {9});
    const std::string oldLine =
        "old " + hex("CUSTOMER.DB") + " " + device() + " " + dbInode + " " + hex(aside) + " 0\n";
    const std::string text = "tablewright intent 2\nowner " + tag + " " + hex("ws9") +
                             "\ndispose unlink\n" + oldLine + "new " + hex(fresh) + " " +
                             hex("CUSTOMER.DB") + " " + device() + " " + inode(folder / fresh) +
                             "\nend\n";
    const std::string record = ".tw-intent-" + tag + "-Gone01";
    tw::test::writeFile(folder / record, std::vector<std::uint8_t>(text.begin(), text.end()));
    const std::string stray = ".CUSTOMER.MB.tw-" + tag + "-Stray1";
    tw::test::writeFile(folder / stray, {1});

    EXPECT_EQ(tw::paradox::recoverFolder(tw::Folder(folder.path()), {}, "ws8").size(), 1U)
        << "another name: left alone";
    EXPECT_FALSE(fs::exists(folder / "CUSTOMER.DB"));
    const auto lines = tw::paradox::recoverFolder(tw::Folder(folder.path()), {}, "ws9");
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_NE(lines.front().find("was resolved"), std::string::npos) << lines.front();
    EXPECT_EQ(bytes(folder / "CUSTOMER.DB"), std::vector<std::uint8_t>(2048, 7));
    EXPECT_EQ(folder.fileNames(), (std::vector<std::string>{"CUSTOMER.DB", "CUSTOMER.MB"}));
}
