#include "plugin/preset_list.hpp"

#include <algorithm>

#include "plugin/factory_presets.hpp"
#include "plugin/preset_file.hpp"
#include "plugin/preset_text.hpp"

namespace vessimor {

const std::string& PresetEntry::name() const {
  if (const auto* factory = factory_preset()) return factory->name;
  return std::get<1>(entry_).name;
}

namespace presets {
namespace {

namespace fs = std::filesystem;

struct Keyed {
  std::string key;
  PresetEntry entry;
};

void sort_by_key(std::vector<Keyed>& entries) {
  // std::string compares as unsigned bytes (char_traits<char>::compare), a prefix first.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
}

std::vector<Keyed> user_entries(const fs::path& dir) {
  std::vector<Keyed> found;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return found;
  // An error while stepping ends the listing with what was read so far.
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const fs::path& path = it->path();
    auto stem = user_preset_stem(path.filename().native());
    if (!stem) continue;
    std::string key = unicode_lowercase(*stem);
    found.push_back({std::move(key), PresetEntry(UserPresetEntry{std::move(*stem), path})});
  }
  return found;
}

}  // namespace

std::optional<std::string> user_preset_stem(const std::string& file_name) {
  const auto dot = file_name.rfind('.');
  // No dot, or a name that begins with its only dot: no extension.
  if (dot == std::string::npos || dot == 0) return std::nullopt;
  if (std::string_view(file_name).substr(dot + 1) != "vessimor") return std::nullopt;
  return utf8_lossy(std::string_view(file_name).substr(0, dot));
}

std::vector<PresetEntry> list_all_presets() {
  return list_all_presets_in(get_presets_dir());
}

std::vector<PresetEntry> list_all_presets_in(const std::optional<fs::path>& dir) {
  std::vector<Keyed> all;
  all.reserve(FACTORY_PRESETS.size());
  for (const VessimorPreset& row : FACTORY_PRESETS) {
    all.push_back({unicode_lowercase(row.name), PresetEntry(row)});
  }
  if (dir) {
    auto users = user_entries(*dir);
    sort_by_key(users);
    std::move(users.begin(), users.end(), std::back_inserter(all));
  }
  sort_by_key(all);

  std::vector<PresetEntry> list;
  list.reserve(all.size());
  for (auto& keyed : all) list.push_back(std::move(keyed.entry));
  return list;
}

std::vector<PresetInfo> to_preset_infos(const std::vector<PresetEntry>& entries) {
  std::vector<PresetInfo> infos;
  infos.reserve(entries.size());
  for (const auto& entry : entries) infos.push_back({entry.name(), entry.is_factory()});
  return infos;
}

}  // namespace presets
}  // namespace vessimor
