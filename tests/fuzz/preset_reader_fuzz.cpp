// Any bytes as a preset file: the reader must refuse them cleanly or give a record that writes
// back and reads again to the same record.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "plugin/preset_file.hpp"

namespace {

bool same(const vessimor::VessimorPreset& a, const vessimor::VessimorPreset& b) {
  // Floats compare by bits so that a NaN that was read back counts as equal to itself.
  const auto pa = a.to_param_values();
  const auto pb = b.to_param_values();
  for (std::size_t i = 0; i < pa.size(); ++i) {
    if (!(pa[i].value == pb[i].value || (std::isnan(pa[i].value) && std::isnan(pb[i].value)))) {
      return false;
    }
  }
  return a.name == b.name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vessimor;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto read = presets::preset_from_file_bytes(bytes);
  if (!read) {
    if (read.error().text().empty()) std::abort();
    return 0;
  }
  auto text = presets::preset_to_json(read.value());
  if (!text) std::abort();  // a read name is valid UTF-8, so it always writes
  auto again = presets::preset_from_json(text.value());
  if (!again) {
    // Only a non-finite float (written as null) may fail to read back.
    bool non_finite = false;
    for (const auto& pair : read.value().to_param_values()) {
      non_finite = non_finite || !std::isfinite(pair.value);
    }
    if (!non_finite) std::abort();
    return 0;
  }
  if (!(again.value() == read.value()) && !same(again.value(), read.value())) std::abort();
  return 0;
}
