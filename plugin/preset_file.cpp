#include "plugin/preset_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/user_dirs.hpp"
#include "plugin/preset_text.hpp"

namespace vessimor::presets {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kNulInName = "file name contained an unexpected NUL byte";

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

// Writes `text` to `tmp`, flushes it to disk and moves it onto `target`, then syncs the folder so
// the rename itself survives a crash. The previous `target` stays intact until the rename.
int replace_file(const fs::path& tmp, const fs::path& target, std::string_view text) {
  // Non-blocking so that a FIFO in the temporary file's place fails at once instead of waiting
  // for a reader; no-follow so that a stray link there cannot make the save overwrite another file.
  Fd file(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW,
                 0666));
  if (file.get() < 0) return errno;
  if (const int err = write_all(file.get(), text)) return err;
  if (::fsync(file.get()) != 0) return errno;
  if (file.close() != 0) return errno;
  if (::rename(tmp.c_str(), target.c_str()) != 0) return errno;
  Fd dir(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return errno;
  // Some file systems cannot sync a folder; the rename has still happened there.
  if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != ENOTSUP) return errno;
  return 0;
}

}  // namespace

std::optional<fs::path> get_presets_dir() {
  auto data = platform::user_data_dir();
  if (!data) return std::nullopt;
  return *data / "Quorvane" / "Vessimor" / "Presets";
}

std::string preset_file_name(std::string_view name) {
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
  std::string file(trim_unicode_space(replaced));
  file += ".vessimor";
  return file;
}

PresetResult<fs::path> save_preset(const VessimorPreset& preset) {
  return save_preset_in(get_presets_dir(), preset);
}

PresetResult<fs::path> save_preset_in(const std::optional<fs::path>& dir,
                                      const VessimorPreset& preset) {
  if (!dir) return PresetError::no_preset_dir();
  const std::string file_name = preset_file_name(preset.name);
  // A NUL would cut the path short inside the system calls and write some other file.
  if (file_name.find('\0') != std::string::npos || has_nul(*dir)) {
    return PresetError::io(std::string(kNulInName));
  }
  std::error_code ec;
  fs::create_directories(*dir, ec);
  if (ec) return PresetError::io(ec.message());
  const fs::path path = *dir / file_name;

  auto text = preset_to_json(preset);
  if (!text) return text.error();

  fs::path tmp = path;
  tmp.replace_extension("tmp");
  if (const int err = replace_file(tmp, path, text.value())) return io_error(err);
  return path;
}

PresetResult<VessimorPreset> load_preset(const fs::path& path) {
  if (has_nul(path)) return PresetError::io(std::string(kNulInName));
  // Only regular files are read: a FIFO would block the worker (and the plug-in's teardown, which
  // waits for it) and a device could feed it bytes without end.
  Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return io_error(errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return io_error(errno);
  if (S_ISDIR(info.st_mode)) return io_error(EISDIR);
  if (!S_ISREG(info.st_mode)) return PresetError::io("not a regular file");
  std::string bytes;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return io_error(errno);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return preset_from_file_bytes(bytes);
}

PresetResult<VessimorPreset> preset_from_file_bytes(std::string_view bytes) {
  if (!is_valid_utf8(bytes)) return PresetError::io("stream did not contain valid UTF-8");
  return preset_from_json(bytes);
}

}  // namespace vessimor::presets
