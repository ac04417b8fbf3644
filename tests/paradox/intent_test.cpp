// A program killed between any two file operations on a table leaves the folder holding the
// old table whole or the new one whole once the folder is recovered, and nothing else.

#include "paradox/intent.h"

#include "core/filestep.h"
#include "core/folder.h"
#include "core/workowner.h"
#include "paradox/family.h"
#include "paradox/writer.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::TempFolder;
namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

Files filesIn(const fs::path &folder)
{
    Files files;
    for (const auto &entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = tw::test::readFile(entry.path());
    }
    return files;
}

std::vector<tw::paradox::Field> fields()
{
    return {tw::test::field("ID", FieldType::Long), tw::test::field("NOTE", FieldType::Memo, 11)};
}

std::vector<std::vector<Value>> rows(const std::string &memo)
{
    return {{Value::integer(1), Value::text(memo + std::string(300, '1'))},
            {Value::integer(2), Value::text(memo + std::string(5000, '2'))}};
}

// The old table of every run: CUSTOMER.DB with its .MB and a primary index file.
Files oldTable(const TempFolder &folder)
{
    tw::test::writeTable(folder / "CUSTOMER.DB", fields(), rows("old"));
    tw::test::writeFile(folder / "CUSTOMER.PX", {1, 2, 3});
    return filesIn(folder.path());
}

bool reads(const fs::path &db, const std::string &memo)
{
    try {
        return tw::test::readAll(db) == rows(memo);
    } catch (const std::exception &) {
        return false;
    }
}

// Runs `operation` in a child process killed at its n-th file step, for n = 1, 2, ... until
// it runs to its end; after each run the folder is recovered and `state` names what it holds.
// Returns the states seen, one per run.
std::vector<std::string>
killAtEveryStep(const std::function<void(const fs::path &)> &operation,
                const std::function<std::string(const TempFolder &)> &state)
{
    std::vector<std::string> seen;
    for (int n = 1; n < 50; ++n) {
        TempFolder folder;
        const Files before = oldTable(folder);
        const pid_t child = ::fork();
        if (child == 0) {
            tw::endProcessAtFileStep(n);
            try {
                operation(folder.path());
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        tw::paradox::recoverFolder(tw::Folder(folder.path()));
        seen.push_back(filesIn(folder.path()) == before ? "old" : state(folder));
        if (!killed) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << n;
            return seen;
        }
    }
    ADD_FAILURE() << "the operation never ran to its end";
    return seen;
}

std::string names(const TempFolder &folder)
{
    std::string all;
    for (const std::string &name : folder.fileNames()) {
        all += name + " ";
    }
    return all;
}

} // namespace

TEST(KilledAtAnyStep, AReplaceOfAFamilyWithMemosAndAnIndexLeavesTheOldTableOrTheNewOneWhole)
{
    const auto seen = killAtEveryStep(
        [](const fs::path &folder) {
            tw::paradox::WriteOptions options;
            options.replaceExisting = true;
            tw::paradox::TableWriter writer(folder / "CUSTOMER.db", fields(), options);
            for (const auto &row : rows("new")) {
                writer.append(row);
            }
            writer.commit();
        },
        [](const TempFolder &folder) {
            const bool whole =
                folder.fileNames() == std::vector<std::string>{"CUSTOMER.MB", "CUSTOMER.db"} &&
                reads(folder / "CUSTOMER.db", "new");
            return whole ? "new" : "broken: " + names(folder);
        });
    EXPECT_GT(seen.size(), 5U);
    for (std::size_t n = 0; n < seen.size(); ++n) {
        EXPECT_TRUE(seen[n] == "old" || seen[n] == "new")
            << "killed at step " << n + 1 << ": " << seen[n];
    }
    EXPECT_EQ(seen.front(), "old");
    EXPECT_EQ(seen.back(), "new");
}

TEST(KilledAtAnyStep, ARenameADeleteAndANewTableLeaveOneWholeTableOrNone)
{
    auto family = [](const tw::Folder &folder) {
        return tw::paradox::tableFamily(folder, "CUSTOMER.DB");
    };
    const auto renamed = killAtEveryStep(
        [&](const fs::path &path) {
            const tw::Folder folder(path);
            tw::paradox::copyTable(folder, family(folder), "CLIENT");
        },
        [](const TempFolder &folder) {
            const bool whole =
                folder.fileNames() ==
                    std::vector<std::string>{"CLIENT.DB", "CLIENT.MB", "CLIENT.PX"} &&
                reads(folder / "CLIENT.DB", "old");
            return whole ? "new" : "broken: " + names(folder);
        });
    const auto deleted = killAtEveryStep(
        [&](const fs::path &path) {
            const tw::Folder folder(path);
            tw::paradox::deleteTable(folder, family(folder));
        },
        [](const TempFolder &folder) {
            return folder.fileNames().empty() ? "new" : "broken: " + names(folder);
        });
    const auto created = killAtEveryStep(
        [](const fs::path &folder) {
            tw::test::writeTable(folder / "NEW.db", fields(), rows("new"));
        },
        [](const TempFolder &folder) {
            const bool old = !fs::exists(folder / "NEW.db") && !fs::exists(folder / "NEW.MB");
            const bool both = reads(folder / "NEW.db", "new") && fs::exists(folder / "NEW.MB");
            return old ? "old" : both && folder.fileNames().size() == 5 ? "also" : names(folder);
        });
    for (const auto &[what, seen] :
         {std::pair{"rename", renamed}, {"delete", deleted}, {"create", created}}) {
        for (std::size_t n = 0; n < seen.size(); ++n) {
            EXPECT_TRUE(seen[n] == "old" || seen[n] == "new" || seen[n] == "also")
                << what << " killed at step " << n + 1 << ": " << seen[n];
        }
        EXPECT_GT(seen.size(), 2U) << what;
    }
}

TEST(KilledAtAnyStep, RecoveryLeavesFilesARunningProgramHoldsAndEverythingTheUserMade)
{
    TempFolder folder;
    oldTable(folder);
    const tw::Folder opened(folder.path());
    tw::test::writeFile(folder / ".hidden-by-user", {7});
    tw::test::writeFile(folder / "NOTES.txt.tw-backup", {7});
    // A temporary file of this running program, and one of a program that ended without
    // removing it.
    const tw::paradox::HiddenFile held = tw::paradox::createHiddenBeside(opened, "LIVE.db");
    std::string left;
    {
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const tw::paradox::HiddenFile file = tw::paradox::createHiddenBeside(opened, "DEAD.db");
            (void)!::write(pipe[1], file.name.data(), file.name.size());
            ::_exit(0);
        }
        ::close(pipe[1]);
        char name[256] = {};
        ASSERT_GT(::read(pipe[0], name, sizeof name - 1), 0);
        ::close(pipe[0]);
        ::waitpid(child, nullptr, 0);
        left = name;
    }
    // Records their programs did not finish writing, cut before an inode or inside one, and
    // one a running program is writing.
    const std::string dead =
        left.substr(left.find(".tw-") + 4, left.rfind('-') - left.find(".tw-") - 4);
    auto torn = [&](const std::string &owner, const std::string &tail) {
        const std::string text =
            "tablewright intent 2\nowner " + owner + " 2d\ndispose unlink\nold " + tail;
        const std::string name = ".tw-intent-" + owner + "-" + tw::uniqueTail();
        tw::test::writeFile(folder / name, std::vector<std::uint8_t>(text.begin(), text.end()));
        return name;
    };
    const std::string cutName = torn(dead, "435553544f4d45522e4442");
    const std::string cutInode = torn(dead, "435553544f4d45522e4442 12x");
    const std::string running = torn(tw::WorkOwner::self().tag(), "435553544f4d45522e4442");
    tw::paradox::recoverFolder(opened);
    EXPECT_FALSE(fs::exists(folder / cutName));
    EXPECT_FALSE(fs::exists(folder / cutInode));
    EXPECT_TRUE(fs::exists(folder / running));
    EXPECT_TRUE(fs::exists(held.path));
    EXPECT_FALSE(fs::exists(folder / left));
    EXPECT_TRUE(fs::exists(folder / ".hidden-by-user"));
    EXPECT_TRUE(fs::exists(folder / "NOTES.txt.tw-backup"));
    EXPECT_TRUE(reads(folder / "CUSTOMER.DB", "old"));
    ::close(held.fd);
}
