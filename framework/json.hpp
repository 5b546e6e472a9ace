#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace vessimor {

// The project's JSON value: numbers that are not integers are 32-bit floats, as every value the
// plug-in stores or exchanges is.
using Json = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, float>;

}  // namespace vessimor
