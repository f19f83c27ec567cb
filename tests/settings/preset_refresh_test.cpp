// The file side of a preset refresh: which files of a folder it rewrites,
// and the ".r5o" name an old preset takes, never over another file.
#include "settings/preset_refresh.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(PresetRefresh, ChoosesWritableOldStyleNamesAndRenamesOnlyOldOnes) {
    const std::string folder = testTemporaryFolder() + "/refresh/";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* name : {"a r9u.z5a", "B r5o.z5a", "c r9u.z5a", "plain.z5a", "d r9u", "e r9u.z5a", "e r9u.r5o",
                             "x r9u.r5o"})
        std::ofstream(folder + name) << name;
    fs::permissions(folder + "c r9u.z5a", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    const std::vector<PresetToRefresh> chosen = presetsToRefresh(folder);
    // The listing's order, letters compared without case; the read-only
    // file and the one without either mark are left out.
    const std::vector<std::string> expected = {"a r9u.z5a", "B r5o.z5a", "d r9u", "e r9u.r5o", "e r9u.z5a",
                                               "x r9u.r5o"};
    ASSERT_EQ(chosen.size(), expected.size());
    for (size_t i = 0; i < chosen.size(); ++i) {
        EXPECT_EQ(chosen[i].name, expected[i]);
        EXPECT_EQ(chosen[i].path, folder + expected[i]);
        EXPECT_EQ(chosen[i].old, expected[i].find("r9u") != std::string::npos) << expected[i];
    }

    EXPECT_EQ(renameRefreshedPreset(folder, chosen[0]), "");  // a r9u.z5a -> a r9u.r5o
    EXPECT_EQ(renameRefreshedPreset(folder, chosen[1]), "");  // not old: stays
    EXPECT_EQ(renameRefreshedPreset(folder, chosen[2]), "");  // no extension: one is added
    EXPECT_EQ(renameRefreshedPreset(folder, chosen[5]), "");  // refreshed before: its name already
    // A file that already has the new name is never replaced.
    EXPECT_EQ(renameRefreshedPreset(folder, chosen[4]),
              "e r9u.z5a was refreshed but could not be renamed to " + folder + "e r9u.r5o");
    for (const char* gone : {"a r9u.z5a", "d r9u"}) EXPECT_FALSE(fs::exists(folder + gone)) << gone;
    const std::pair<const char*, const char*> contents[] = {
        {"a r9u.r5o", "a r9u.z5a"}, {"B r5o.z5a", "B r5o.z5a"}, {"d r9u.r5o", "d r9u"},
        {"e r9u.r5o", "e r9u.r5o"}, {"e r9u.z5a", "e r9u.z5a"}, {"x r9u.r5o", "x r9u.r5o"}};
    for (const auto& [name, text] : contents) {
        std::ifstream in(folder + name);
        std::string line;
        std::getline(in, line);
        EXPECT_EQ(line, text) << name;
    }
}

}  // namespace
