#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "plugin/preset.hpp"

namespace vessimor {

// A user preset as the list knows it: the file's stem and the file's path (the file is not read).
struct UserPresetEntry {
  std::string name;
  std::filesystem::path path;
};

// One entry of the preset list: a copy of a factory row, or a user preset file.
class PresetEntry {
 public:
  explicit PresetEntry(VessimorPreset factory) : entry_(std::move(factory)) {}
  explicit PresetEntry(UserPresetEntry user) : entry_(std::move(user)) {}

  const std::string& name() const;
  bool is_factory() const { return entry_.index() == 0; }
  // Non-null for factory entries only.
  const VessimorPreset* factory_preset() const { return std::get_if<0>(&entry_); }
  // Non-null for user entries only.
  const UserPresetEntry* user_preset() const { return std::get_if<1>(&entry_); }

 private:
  std::variant<VessimorPreset, UserPresetEntry> entry_;
};

// The page's view of an entry.
struct PresetInfo {
  std::string name;
  bool is_factory;
};

namespace presets {

// Factory rows and the preset folder's "*.vessimor" items, ordered by full Unicode lowercase name
// (byte order of the UTF-8 keys), factory before user on equal keys. Never fails: without a
// readable folder the list is the factory rows alone. Lists the folder afresh on every call.
// Thread: preset worker
std::vector<PresetEntry> list_all_presets();

// `list_all_presets` over a given folder (or none).
std::vector<PresetEntry> list_all_presets_in(const std::optional<std::filesystem::path>& dir);

// The page's form of a list: same order, one for one.
std::vector<PresetInfo> to_preset_infos(const std::vector<PresetEntry>& entries);

// The user-preset stem of a folder item's file name, or nothing when the item is not a preset file
// (extension not exactly "vessimor", or no stem). Ill-formed UTF-8 becomes U+FFFD.
std::optional<std::string> user_preset_stem(const std::string& file_name);

}  // namespace presets
}  // namespace vessimor
