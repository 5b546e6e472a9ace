#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vessimor {

// Parameter flags as the wrappers read them; no parameter of this plug-in sets any.
using ParamFlags = std::uint32_t;
namespace param_flags {
inline constexpr ParamFlags BYPASS = 1u << 0;           // the host's bypass parameter
inline constexpr ParamFlags NON_AUTOMATABLE = 1u << 1;  // no host automation or modulation
inline constexpr ParamFlags HIDDEN = 1u << 2;           // hidden from the host, read-only there
}  // namespace param_flags

// Shared, immutable function objects: a parameter keeps them for its whole life and may call them
// from any thread at once.
template <typename T>
using ValueToString = std::shared_ptr<const std::function<std::string(T)>>;
template <typename T>
using StringToValue = std::shared_ptr<const std::function<std::optional<T>(std::string_view)>>;
template <typename T>
using ValueChanged = std::shared_ptr<const std::function<void(T)>>;

namespace param_text {

// Leading and trailing Unicode white space removed (a host may hand over a no-break space or an
// ideographic space as readily as a blank).
std::string_view trim(std::string_view text);
// Every trailing repetition of `unit` removed; an empty unit removes nothing.
std::string_view strip_unit(std::string_view text, std::string_view unit);
// Decimals to show for values snapped to `step_size`: 0 to 5.
int step_size_decimals(float step_size);
// A signed 32-bit decimal integer: an optional single sign and at least one digit, nothing else.
std::optional<std::int32_t> parse_i32(std::string_view text);
// ASCII letters compared without case.
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

}  // namespace param_text

}  // namespace vessimor
