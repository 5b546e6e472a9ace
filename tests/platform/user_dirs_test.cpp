#include "platform/user_dirs.hpp"

#include <gtest/gtest.h>

namespace vessimor::platform {
namespace {

TEST(UserDirs, HomeComesFromTheEnvironmentThenTheUserDatabase) {
  EXPECT_EQ(home_dir_from({"/h", nullptr, std::string("/db")}), std::filesystem::path("/h"));
  EXPECT_EQ(home_dir_from({"", nullptr, std::string("/db")}), std::filesystem::path("/db"));
  EXPECT_EQ(home_dir_from({nullptr, nullptr, std::string("/db")}), std::filesystem::path("/db"));
  EXPECT_EQ(home_dir_from({nullptr, nullptr, std::nullopt}), std::nullopt);
  EXPECT_EQ(home_dir_from({"", nullptr, std::string()}), std::nullopt);
}

TEST(UserDirs, DataFolderFollowsThePlatformRules) {
#if defined(__APPLE__)
  EXPECT_EQ(user_data_dir_from({"/h", "/xdg", std::nullopt}),
            std::filesystem::path("/h/Library/Application Support"));
#else
  EXPECT_EQ(user_data_dir_from({"/h", nullptr, std::nullopt}),
            std::filesystem::path("/h/.local/share"));
  EXPECT_EQ(user_data_dir_from({"/h", "/xdg", std::nullopt}), std::filesystem::path("/xdg"));
  // A relative or empty XDG_DATA_HOME is ignored.
  EXPECT_EQ(user_data_dir_from({"/h", "rel", std::nullopt}),
            std::filesystem::path("/h/.local/share"));
  EXPECT_EQ(user_data_dir_from({"/h", "", std::nullopt}), std::filesystem::path("/h/.local/share"));
  EXPECT_EQ(user_data_dir_from({nullptr, "/xdg", std::nullopt}), std::filesystem::path("/xdg"));
#endif
  EXPECT_EQ(user_data_dir_from({nullptr, nullptr, std::nullopt}), std::nullopt);
}

}  // namespace
}  // namespace vessimor::platform
