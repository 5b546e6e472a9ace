#pragma once

#include <string>
#include <string_view>

// Unicode helpers for preset names and file names (ICU underneath).
namespace vessimor::presets {

// True when `bytes` is well-formed UTF-8 (no surrogates, no overlong forms).
bool is_valid_utf8(std::string_view bytes);

// `bytes` with each ill-formed UTF-8 sequence replaced by U+FFFD, one per maximal ill-formed part.
std::string utf8_lossy(std::string_view bytes);

// `text` without Unicode white space (the White_Space property) at either end.
std::string_view trim_unicode_space(std::string_view text);

// The full Unicode lowercase mapping of the whole text (not locale-tailored; a final capital sigma
// becomes a final small sigma). Ill-formed bytes become U+FFFD first.
std::string unicode_lowercase(std::string_view text);

}  // namespace vessimor::presets
