#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vessimor::platform {

// The user's home folder: HOME when it is set and not empty, else the user database's entry for
// the current user. Absent when neither gives one.
std::optional<std::filesystem::path> home_dir();

// The folder where this user's application data belongs. macOS: HOME/Library/Application Support.
// Linux: $XDG_DATA_HOME when it is an absolute path, else HOME/.local/share. Absent without a
// home folder (and, on Linux, without a usable XDG_DATA_HOME).
std::optional<std::filesystem::path> user_data_dir();

// The rules of `user_data_dir` on given inputs (null or empty text counts as unset), so that they
// can be checked without changing the process environment.
struct UserDirInputs {
  const char* home_env = nullptr;
  const char* xdg_data_home_env = nullptr;
  std::optional<std::string> database_home;
};
std::optional<std::filesystem::path> home_dir_from(const UserDirInputs& in);
std::optional<std::filesystem::path> user_data_dir_from(const UserDirInputs& in);

}  // namespace vessimor::platform
