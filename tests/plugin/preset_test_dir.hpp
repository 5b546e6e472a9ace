#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vessimor::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vessimor-presets-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Points HOME at a folder (and clears XDG_DATA_HOME) for the life of the object.
class ScopedHome {
 public:
  explicit ScopedHome(const std::filesystem::path& home) {
    save("HOME", home_);
    save("XDG_DATA_HOME", xdg_);
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
  }
  ~ScopedHome() {
    restore("HOME", home_);
    restore("XDG_DATA_HOME", xdg_);
  }
  ScopedHome(const ScopedHome&) = delete;
  ScopedHome& operator=(const ScopedHome&) = delete;

 private:
  struct Saved {
    bool set = false;
    std::string value;
  };
  static void save(const char* name, Saved& saved) {
    if (const char* v = ::getenv(name)) {
      saved.set = true;
      saved.value = v;
    }
  }
  static void restore(const char* name, const Saved& saved) {
    if (saved.set) {
      ::setenv(name, saved.value.c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  Saved home_;
  Saved xdg_;
};

}  // namespace vessimor::test
