#pragma once

#include <cstddef>
#include <span>

#include "plugin/preset.hpp"

namespace vessimor {

// The 28 built-in presets in display-table order, "Init" first. Built on first use from any thread
// (concurrent first uses wait for the one build), then read-only for the life of the process.
// Thread: any
std::span<const VessimorPreset> factory_presets();

// The table under its process-wide name: `for (const auto& p : FACTORY_PRESETS)`,
// `FACTORY_PRESETS[0]`, `FACTORY_PRESETS.size()`. Every access goes through the one build.
struct FactoryPresetTable {
  auto begin() const { return factory_presets().begin(); }
  auto end() const { return factory_presets().end(); }
  std::size_t size() const { return factory_presets().size(); }
  const VessimorPreset& operator[](std::size_t i) const { return factory_presets()[i]; }
};
inline constexpr FactoryPresetTable FACTORY_PRESETS{};

}  // namespace vessimor
