#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/preset.hpp"

// User preset files: one pretty-printed JSON object per preset, "<stem>.vessimor" in the preset
// folder. Only the preset worker thread calls these; they hold no state and take no locks.
namespace vessimor::presets {

// The preset folder: <user data folder>/Quorvane/Vessimor/Presets. Absent without a home folder.
// Does not touch the file system.
// Thread: any
std::optional<std::filesystem::path> get_presets_dir();

// The file name of a preset name: the nine characters " * / : < > ? \ | become _, then Unicode
// white space is trimmed from both ends, then ".vessimor" is appended.
std::string preset_file_name(std::string_view name);

// The file's text: "{", one "  \"key\": value" line per field in record order, "}" with no final
// line break. Fails (JSON error) only for a name that is not valid UTF-8.
PresetResult<std::string> preset_to_json(const VessimorPreset& preset);

// Reads a preset from JSON text (object or array form); every problem is a JSON error.
PresetResult<VessimorPreset> preset_from_json(std::string_view text);

// The largest preset file that is read; a preset is about 1 KB.
inline constexpr std::size_t kMaxPresetFileBytes = 1024 * 1024;

// Writes the preset's file in the preset folder (created when missing) and returns its path.
// A name that is empty once trimmed is refused (I/O error) and nothing is written. The text goes
// to a temporary file of this save's own (hidden, ending in ".tmp", created exclusively), is
// flushed to disk, then renamed over the preset file and the folder is synced, so a crash or a
// full disk never leaves a half-written preset behind; a failed save removes its temporary file.
// Thread: preset worker
PresetResult<std::filesystem::path> save_preset(const VessimorPreset& preset);

// `save_preset` into a given folder; no folder gives the no-preset-folder error.
PresetResult<std::filesystem::path> save_preset_in(const std::optional<std::filesystem::path>& dir,
                                                   const VessimorPreset& preset);

// Reads a preset file: invalid UTF-8, a file that is not a regular file or is larger than
// `kMaxPresetFileBytes`, or an unreadable file is an I/O error.
// Thread: preset worker
PresetResult<VessimorPreset> load_preset(const std::filesystem::path& path);

// Reads whole file content (bytes) as `load_preset` does after opening the file.
PresetResult<VessimorPreset> preset_from_file_bytes(std::string_view bytes);

}  // namespace vessimor::presets
