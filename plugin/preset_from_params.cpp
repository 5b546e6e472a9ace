#include <type_traits>
#include <variant>

#include "plugin/param_table.hpp"
#include "plugin/params.hpp"
#include "plugin/preset.hpp"

namespace vessimor {

VessimorPreset VessimorPreset::from_params(const VessimorParams& params, std::string_view name) {
  VessimorPreset preset;
  preset.name = std::string(name);
  for (const ParamDescriptor& d : PARAM_TABLE) {
    std::visit(
        [&](auto b) {
          const auto& param = params.*b.param;
          if constexpr (std::is_same_v<std::decay_t<decltype(param)>, EnumParam>) {
            // An index outside the choice's range is stored as 0.
            const std::int32_t index = param.value();
            const auto count = static_cast<std::int32_t>(param.variants().size());
            preset.*b.field = index >= 0 && index < count ? static_cast<std::uint8_t>(index) : 0;
          } else {
            preset.*b.field = param.value();
          }
        },
        d.fields);
  }
  return preset;
}

}  // namespace vessimor
