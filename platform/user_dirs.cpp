#include "platform/user_dirs.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace vessimor::platform {
namespace {

bool is_set(const char* text) {
  return text != nullptr && *text != '\0';
}

std::optional<std::string> database_home() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  if (size <= 0) size = 16384;
  std::vector<char> buffer(static_cast<std::size_t>(size));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      !is_set(found->pw_dir)) {
    return std::nullopt;
  }
  return std::string(found->pw_dir);
}

}  // namespace

std::optional<std::filesystem::path> home_dir_from(const UserDirInputs& in) {
  if (is_set(in.home_env)) return std::filesystem::path(in.home_env);
  if (in.database_home && !in.database_home->empty())
    return std::filesystem::path(*in.database_home);
  return std::nullopt;
}

std::optional<std::filesystem::path> user_data_dir_from(const UserDirInputs& in) {
#if defined(__APPLE__)
  auto home = home_dir_from(in);
  if (!home) return std::nullopt;
  return *home / "Library" / "Application Support";
#else
  // A relative XDG_DATA_HOME is invalid by the base-directory rules and is ignored.
  if (is_set(in.xdg_data_home_env) && in.xdg_data_home_env[0] == '/') {
    return std::filesystem::path(in.xdg_data_home_env);
  }
  auto home = home_dir_from(in);
  if (!home) return std::nullopt;
  return *home / ".local" / "share";
#endif
}

std::optional<std::filesystem::path> home_dir() {
  UserDirInputs in;
  in.home_env = std::getenv("HOME");
  if (!is_set(in.home_env)) in.database_home = database_home();
  return home_dir_from(in);
}

std::optional<std::filesystem::path> user_data_dir() {
  UserDirInputs in;
  in.home_env = std::getenv("HOME");
  in.xdg_data_home_env = std::getenv("XDG_DATA_HOME");
  if (!is_set(in.home_env)) in.database_home = database_home();
  return user_data_dir_from(in);
}

}  // namespace vessimor::platform
