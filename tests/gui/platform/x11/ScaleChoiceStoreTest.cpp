#include "gui/platform/x11/ScaleChoiceStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tovrel {
namespace {

// A fresh folder under the system's temporary folder, removed with what it holds.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = "/tmp/tovrel-scale-XXXXXX";
        path = mkdtemp(pattern.data()) ? pattern : std::string{};
    }
    ~TemporaryFolder() {
        if (!path.empty())
            std::system(("rm -rf '" + path + "'").c_str());
    }
    std::vector<std::string> list(const std::string& folder) const {
        std::vector<std::string> names;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* entry = readdir(dir))
                if (entry->d_name[0] != '.')
                    names.push_back(entry->d_name);
            closedir(dir);
        }
        return names;
    }

    std::string path;
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Where the choice lives, as the base directory rules place a program's settings.
TEST(ScaleChoice, FolderFollowsTheBaseDirectoryRules) {
    const struct {
        const char* xdgConfigHome;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/cfg", "/home/u", "/cfg/tovrel"},
        {nullptr, "/home/u", "/home/u/.config/tovrel"},
        {"", "/home/u", "/home/u/.config/tovrel"},
        {"cfg", "/home/u", "/home/u/.config/tovrel"},
        {nullptr, nullptr, ""},
        {"", "home", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScaleChoiceStore::folderFor(c.xdgConfigHome, c.home), c.folder)
            << (c.xdgConfigHome ? c.xdgConfigHome : "(unset)") << ", " << (c.home ? c.home : "(unset)");
}

// What a file may hold: a step, 0, or anything else, which means following the screen.
TEST(ScaleChoice, TextGivesAStepOrFollowsTheScreen) {
    const struct {
        std::string text;
        int32_t percent;
    } cases[] = {
        {"200\n", 200},
        {"125", 125},
        {" 300 \r\n", 300},
        {"0\n", 0},
        {"100\n", 100},
        {"", 0},
        {"\n", 0},
        {"130\n", 0},
        {"400\n", 0},
        {"-200\n", 0},
        {"200 250\n", 0},
        {"200x\n", 0},
        {"x200\n", 0},
        {"99999999200", 0},
        {std::string("2\0"
                     "00",
                     4),
         0},
        {"\xff\xfe", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScaleChoiceStore::parse(c.text), c.percent) << '"' << c.text << '"';
}

// Saving and loading through the file: round trips, refusals, garbage and failures leave what a
// later editor reads well defined, and no temporary file behind.
TEST(ScaleChoice, FileKeepsTheChoiceAndSurvivesGarbage) {
    TemporaryFolder temporary;
    ASSERT_FALSE(temporary.path.empty());
    const ScaleChoiceStore store(temporary.path + "/config/tovrel");

    EXPECT_EQ(store.load(), 0) << "no file yet";
    ASSERT_TRUE(store.save(200)) << "creates the missing folders";
    EXPECT_EQ(ScaleChoiceStore(store.getFolder()).load(), 200);
    ASSERT_TRUE(store.save(125));
    EXPECT_EQ(store.load(), 125);
    EXPECT_FALSE(store.save(130));
    EXPECT_FALSE(store.save(-1));
    EXPECT_EQ(store.load(), 125) << "a refused choice leaves the old one";
    ASSERT_TRUE(store.save(0));
    EXPECT_EQ(store.load(), 0);
    EXPECT_EQ(temporary.list(store.getFolder()), std::vector<std::string>{ScaleChoiceStore::kFileName});

    writeText(store.getPath(), "banana\n");
    EXPECT_EQ(store.load(), 0);
    writeText(store.getPath(), std::string(100000, '2'));
    EXPECT_EQ(store.load(), 0);
    // The new file replaces the old one whole: a reader that opened the old one keeps reading it.
    std::ifstream reader(store.getPath());
    ASSERT_TRUE(store.save(300)) << "garbage is replaced";
    EXPECT_EQ(store.load(), 300);
    EXPECT_EQ(reader.get(), '2');

    // A folder that cannot be made (a file stands in its way) and a store without a folder fail.
    writeText(temporary.path + "/blocked", "");
    EXPECT_FALSE(ScaleChoiceStore(temporary.path + "/blocked/tovrel").save(200));
    EXPECT_FALSE(ScaleChoiceStore("").save(200));
    EXPECT_EQ(ScaleChoiceStore("").load(), 0);
    // A rename that fails (a folder holding something stands where the file goes) cleans up.
    const ScaleChoiceStore occupied(temporary.path + "/occupied");
    ASSERT_EQ(mkdir(occupied.getFolder().c_str(), 0700), 0);
    ASSERT_EQ(mkdir(occupied.getPath().c_str(), 0700), 0);
    writeText(occupied.getPath() + "/inside", "");
    EXPECT_FALSE(occupied.save(200));
    EXPECT_EQ(temporary.list(occupied.getFolder()), std::vector<std::string>{ScaleChoiceStore::kFileName});
    EXPECT_EQ(temporary.list(store.getFolder()), std::vector<std::string>{ScaleChoiceStore::kFileName});
}

} // namespace
} // namespace tovrel
