// The saved state through the host's IBStream. Streams may take or give fewer bytes per call than
// asked, so both directions go on calling until every byte has moved or the stream stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/vst3/vst3.hpp"

namespace vessimor::vst3 {

// Writes every byte; false when the stream reports an error or stops taking bytes before the
// end. Thread: main
bool write_all(abi::IBStream& stream, std::span<const std::byte> bytes);

// The bytes from the stream's position to its end (tell, seek to the end, seek back, then read).
// Nothing when a call fails, the rest is longer than `max_bytes`, or the stream gives out before
// the end. Thread: main
std::optional<std::string> read_rest(abi::IBStream& stream, std::uint64_t max_bytes);

}  // namespace vessimor::vst3
