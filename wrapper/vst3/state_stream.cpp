#include "wrapper/vst3/state_stream.hpp"

#include <algorithm>
#include <limits>

namespace vessimor::vst3 {
namespace {

constexpr std::size_t LARGEST_CALL = std::numeric_limits<std::int32_t>::max();

}  // namespace

bool write_all(abi::IBStream& stream, std::span<const std::byte> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto asked = static_cast<std::int32_t>(std::min(bytes.size() - done, LARGEST_CALL));
    std::int32_t written = 0;
    // The stream's write takes a non-const buffer but only reads it.
    auto* data = const_cast<std::byte*>(bytes.data() + done);
    const abi::tresult result = stream.vtbl->write(&stream, data, asked, &written);
    if (result != abi::kResultOk || written <= 0 || written > asked) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

std::optional<std::string> read_rest(abi::IBStream& stream, std::uint64_t max_bytes) {
  std::int64_t position = 0;
  std::int64_t end = 0;
  if (stream.vtbl->tell(&stream, &position) != abi::kResultOk ||
      stream.vtbl->seek(&stream, 0, abi::kIBSeekEnd, &end) != abi::kResultOk ||
      stream.vtbl->seek(&stream, position, abi::kIBSeekSet, nullptr) != abi::kResultOk) {
    return std::nullopt;
  }
  if (end < position || static_cast<std::uint64_t>(end - position) > max_bytes) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(end - position), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto asked = static_cast<std::int32_t>(std::min(bytes.size() - done, LARGEST_CALL));
    std::int32_t read = 0;
    const abi::tresult result = stream.vtbl->read(&stream, bytes.data() + done, asked, &read);
    // A stream may hand over its last bytes with a result other than ok; count what it gave.
    if (read > 0) done += static_cast<std::size_t>(std::min(read, asked));
    if (result != abi::kResultOk || read <= 0) break;
  }
  if (done < bytes.size()) return std::nullopt;
  return bytes;
}

}  // namespace vessimor::vst3
