// The largest saved state a host may hand back. A state of this plug-in is a few kilobytes; a
// length beyond this is a corrupt or hostile stream, refused before anything is allocated.
#pragma once

#include <cstdint>

namespace vessimor::core {

inline constexpr std::uint64_t MAX_STATE_BYTES = std::uint64_t{16} << 20;

}  // namespace vessimor::core
