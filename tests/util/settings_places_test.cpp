#include "util/settings_places.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "util/ini_file.h"
#include "util/log_file.h"

namespace fs = std::filesystem;

namespace trackfold {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

bool read_only(const fs::path&) {
    return false;
}

// Sets or clears one environment variable for the test and puts the old value back after it.
class ScopedVariable {
  public:
    explicit ScopedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) {
            old_ = value;
        }
    }
    ~ScopedVariable() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

    void set(const std::string& value) { setenv(name_, value.c_str(), 1); }
    void clear() { unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class SettingsPlacesTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(program_folder());
        home_.set(home().string());
        config_home_.clear();
        state_home_.clear();
    }

    fs::path home() const { return dir_.path() / "home"; }
    std::string program_folder() const { return dir_.folder() + "bin/"; }

    TempDir dir_;
    ScopedVariable home_{"HOME"};
    ScopedVariable config_home_{"XDG_CONFIG_HOME"};
    ScopedVariable state_home_{"XDG_STATE_HOME"};
};

TEST_F(SettingsPlacesTest, WritableProgramFolderKeepsBothFilesBesideTheExecutable) {
    const SettingsPlaces places = settings_places(program_folder(), "sorter");

    EXPECT_EQ(places.settings_file, program_folder() + "sorter.ini");
    EXPECT_EQ(places.log_file, program_folder() + "sorter.txt");
    EXPECT_FALSE(fs::exists(home()));
}

TEST_F(SettingsPlacesTest, ReadOnlySettingsFileInAWritableFolderStaysAndIsStillUpdated) {
    const fs::path settings = program_folder() + "sorter.ini";
    write_file(settings, "[SYSTEM]\nInputFolder=/old\n");
    fs::permissions(settings, fs::perms::owner_read | fs::perms::group_read);

    const SettingsPlaces places = settings_places(program_folder(), "sorter");
    ASSERT_EQ(places.settings_file, settings);
    PutIniText(places.settings_file, "SYSTEM", "InputFolder", "/music/in");

    EXPECT_EQ(GetIniText(settings, "SYSTEM", "InputFolder", ""), "/music/in");
}

TEST_F(SettingsPlacesTest, ReadOnlyProgramFolderUsesTheXdgFoldersAndARunIsRemembered) {
    const fs::path config = dir_.path() / "config";
    const fs::path state = dir_.path() / "state";
    config_home_.set(config.string());
    state_home_.set(state.string());

    const SettingsPlaces places = settings_places(program_folder(), "sorter", read_only);
    EXPECT_EQ(places.settings_file, config / "trackfold" / "trackfold.ini");
    EXPECT_EQ(places.log_file, state / "trackfold" / "trackfold.txt");

    PutIniText(places.settings_file, "SYSTEM", "InputFolder", "/music/in");
    PutIniText(places.settings_file, "SYSTEM", "OutputFolder", "/music/out");
    EXPECT_EQ(WriteLogFile(places.log_file, 1, [](std::size_t) { return "...Complete"; }), "");

    const SettingsPlaces next_start = settings_places(program_folder(), "sorter", read_only);
    EXPECT_EQ(GetIniText(next_start.settings_file, "SYSTEM", "InputFolder", ""), "/music/in");
    EXPECT_EQ(GetIniText(next_start.settings_file, "SYSTEM", "OutputFolder", ""), "/music/out");
    EXPECT_EQ(read_file(next_start.log_file), "...Complete\r\n");
    EXPECT_TRUE(fs::is_empty(program_folder()));
    EXPECT_FALSE(fs::exists(home()));
}

TEST_F(SettingsPlacesTest, WithoutXdgVariablesTheFoldersAreUnderHome) {
    const SettingsPlaces places = settings_places(program_folder(), "sorter", read_only);

    EXPECT_EQ(places.settings_file, home() / ".config" / "trackfold" / "trackfold.ini");
    EXPECT_EQ(places.log_file, home() / ".local" / "state" / "trackfold" / "trackfold.txt");
    EXPECT_TRUE(fs::is_directory(places.settings_file.parent_path()));
    EXPECT_TRUE(fs::is_directory(places.log_file.parent_path()));
}

TEST_F(SettingsPlacesTest, EmptyOrRelativeXdgVariablesAreIgnored) {
    config_home_.set("");
    state_home_.set("relative/state");

    const SettingsPlaces places = settings_places(program_folder(), "sorter", read_only);

    EXPECT_EQ(places.settings_file, home() / ".config" / "trackfold" / "trackfold.ini");
    EXPECT_EQ(places.log_file, home() / ".local" / "state" / "trackfold" / "trackfold.txt");
}

TEST_F(SettingsPlacesTest, UnknownProgramFolderUsesTheXdgFolders) {
    const SettingsPlaces places = settings_places("", "trackfold");

    EXPECT_EQ(places.settings_file, home() / ".config" / "trackfold" / "trackfold.ini");
    EXPECT_EQ(places.log_file, home() / ".local" / "state" / "trackfold" / "trackfold.txt");
}

TEST(FolderWritable, TellsFoldersTheUserCanWriteFromOthers) {
    TempDir dir;
    EXPECT_TRUE(folder_writable(dir.path()));
    EXPECT_FALSE(folder_writable(dir.path() / "missing"));
    EXPECT_FALSE(folder_writable(""));
}

TEST(FolderWritable, ReadOnlyFolderIsNotWritable) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write into a read-only folder";
    }
    TempDir dir;
    const fs::path folder = dir.path() / "bin";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    EXPECT_FALSE(folder_writable(folder));
}

}  // namespace
}  // namespace trackfold
