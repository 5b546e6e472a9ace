#include "plugin/preset_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "framework/util/utf8.hpp"
#include "framework/util/white_space.hpp"
#include "platform/user_dirs.hpp"

namespace vessimor::presets {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kNulInName = "file name contained an unexpected NUL byte";
constexpr std::string_view kBlankName = "preset name is empty or only white space";
constexpr std::string_view kTooLarge = "preset file is larger than 1 MiB";

PresetError io_error(int err) {
  return PresetError::io(std::error_code(err, std::generic_category()).message());
}

bool has_nul(const fs::path& path) {
  return path.native().find('\0') != std::string::npos;
}

// Closes the descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the result: a close error can be the first sign of a failed write.
  int close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

int write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// A temporary file of its own for one save: a hidden ".save-<random>.tmp" in `dir`, created
// exclusively, so that nothing already in the folder (a crash's leftover, a link, a FIFO) can be
// written through or block the save. It never ends in ".vessimor", so the list never shows it.
struct TempFile {
  int fd = -1;
  fs::path path;
};

// A suffix that differs between saves and between processes: the clock, the process and a count,
// mixed (splitmix64). The exclusive create, not the suffix, is what makes the file ours.
std::uint64_t next_suffix() {
  static std::atomic<std::uint64_t> count{0};
  std::uint64_t x =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(::getpid()) << 40) ^
      (count.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ull);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

int create_temp_file(const fs::path& dir, TempFile& out) {
  constexpr int kAttempts = 64;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".save-%016llx.tmp",
                  static_cast<unsigned long long>(next_suffix()));
    fs::path path = dir / name;
    // Non-blocking and no-follow as defence in depth: the exclusive create already refuses any
    // name that exists, links included.
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (fd >= 0) {
      out = {fd, std::move(path)};
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int write_synced(Fd& file, std::string_view text) {
  if (const int err = write_all(file.get(), text)) return err;
  if (::fsync(file.get()) != 0) return errno;
  if (file.close() != 0) return errno;
  return 0;
}

// Writes `text` to a fresh temporary file, flushes it to disk and moves it onto `target`, then
// syncs the folder so the rename itself survives a crash. The previous `target` stays intact
// until the rename; the temporary file is removed on every failure before it.
int replace_file(const fs::path& target, std::string_view text) {
  const fs::path dir = target.parent_path();
  TempFile tmp;
  if (const int err = create_temp_file(dir, tmp)) return err;
  Fd file(tmp.fd);
  int err = write_synced(file, text);
  if (err == 0 && ::rename(tmp.path.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.path.c_str());
    return err;
  }
  Fd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) return errno;
  // Some file systems cannot sync a folder; the rename has still happened there.
  if (::fsync(folder.get()) != 0 && errno != EINVAL && errno != ENOTSUP) return errno;
  return 0;
}

// The name with the nine characters a file name cannot hold replaced and Unicode white space
// trimmed: what comes before ".vessimor".
std::string file_stem(std::string_view name) {
  std::string replaced(name);
  for (char& c : replaced) {
    switch (c) {
      case '"':
      case '*':
      case '/':
      case ':':
      case '<':
      case '>':
      case '?':
      case '\\':
      case '|':
        c = '_';
        break;
      default:
        break;
    }
  }
  return std::string(util::trim_white_space(replaced));
}

}  // namespace

std::optional<fs::path> get_presets_dir() {
  auto data = platform::user_data_dir();
  if (!data) return std::nullopt;
  return *data / "Quorvane" / "Vessimor" / "Presets";
}

std::string preset_file_name(std::string_view name) {
  return file_stem(name) + ".vessimor";
}

PresetResult<fs::path> save_preset(const VessimorPreset& preset) {
  return save_preset_in(get_presets_dir(), preset);
}

PresetResult<fs::path> save_preset_in(const std::optional<fs::path>& dir,
                                      const VessimorPreset& preset) {
  if (!dir) return PresetError::no_preset_dir();
  const std::string stem = file_stem(preset.name);
  // Such a preset would be written as ".vessimor", which the list never shows.
  if (stem.empty()) return PresetError::io(std::string(kBlankName));
  // A NUL would cut the path short inside the system calls and write some other file.
  if (stem.find('\0') != std::string::npos || has_nul(*dir)) {
    return PresetError::io(std::string(kNulInName));
  }
  std::error_code ec;
  fs::create_directories(*dir, ec);
  if (ec) return PresetError::io(ec.message());
  const fs::path path = *dir / (stem + ".vessimor");

  auto text = preset_to_json(preset);
  if (!text) return text.error();

  if (const int err = replace_file(path, text.value())) return io_error(err);
  return path;
}

PresetResult<VessimorPreset> load_preset(const fs::path& path) {
  if (has_nul(path)) return PresetError::io(std::string(kNulInName));
  // Only regular files are read: a FIFO would block the worker (and the plug-in's teardown, which
  // waits for it) and a device could feed it bytes without end. Links are followed (a user may
  // link a preset in), but every check below is on what was actually opened; a terminal there
  // must not become the host's controlling terminal.
  Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) return io_error(errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return io_error(errno);
  if (S_ISDIR(info.st_mode)) return io_error(EISDIR);
  if (!S_ISREG(info.st_mode)) return PresetError::io("not a regular file");
  // A preset is about 1 KB: a huge file is refused before a byte is read, and one that grows
  // while it is read is cut off one byte past the cap and refused too.
  if (info.st_size > static_cast<off_t>(kMaxPresetFileBytes)) {
    return PresetError::io(std::string(kTooLarge));
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[16384];
  while (bytes.size() <= kMaxPresetFileBytes) {
    const std::size_t room = kMaxPresetFileBytes + 1 - bytes.size();
    const ssize_t n = ::read(file.get(), buffer, std::min(sizeof buffer, room));
    if (n < 0) {
      if (errno == EINTR) continue;
      return io_error(errno);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  if (bytes.size() > kMaxPresetFileBytes) return PresetError::io(std::string(kTooLarge));
  return preset_from_file_bytes(bytes);
}

PresetResult<VessimorPreset> preset_from_file_bytes(std::string_view bytes) {
  if (!util::is_valid_utf8(bytes)) return PresetError::io("stream did not contain valid UTF-8");
  return preset_from_json(bytes);
}

}  // namespace vessimor::presets
