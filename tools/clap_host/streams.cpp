#include "tools/clap_host/streams.hpp"

#include <algorithm>
#include <cstring>
#include <new>

namespace vessimor::tools {

MemoryOutputStream::MemoryOutputStream(std::size_t max_chunk, std::optional<std::size_t> fail_after)
    : record_{this, &MemoryOutputStream::write},
      max_chunk_(std::max<std::size_t>(max_chunk, 1)),
      fail_after_(fail_after) {}

std::int64_t MemoryOutputStream::write(const clap_ostream* stream, const void* buffer,
                                       std::uint64_t size) noexcept {
  if (stream == nullptr || stream->ctx == nullptr || (buffer == nullptr && size > 0)) return -1;
  auto& self = *static_cast<MemoryOutputStream*>(stream->ctx);
  ++self.calls_;
  if (self.fail_after_ && self.bytes_.size() >= *self.fail_after_) return -1;
  std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(size, self.max_chunk_));
  if (self.fail_after_) count = std::min(count, *self.fail_after_ - self.bytes_.size());
  const auto* first = static_cast<const std::uint8_t*>(buffer);
  try {
    self.bytes_.insert(self.bytes_.end(), first, first + count);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return static_cast<std::int64_t>(count);
}

MemoryInputStream::MemoryInputStream(std::vector<std::uint8_t> bytes, std::size_t max_chunk,
                                     std::optional<std::size_t> fail_after)
    : record_{this, &MemoryInputStream::read},
      bytes_(std::move(bytes)),
      max_chunk_(std::max<std::size_t>(max_chunk, 1)),
      fail_after_(fail_after) {}

std::int64_t MemoryInputStream::read(const clap_istream* stream, void* buffer,
                                     std::uint64_t size) noexcept {
  if (stream == nullptr || stream->ctx == nullptr || (buffer == nullptr && size > 0)) return -1;
  auto& self = *static_cast<MemoryInputStream*>(stream->ctx);
  ++self.calls_;
  if (self.fail_after_ && self.position_ >= *self.fail_after_) return -1;
  std::size_t count = std::min<std::size_t>(
      static_cast<std::size_t>(std::min<std::uint64_t>(size, self.max_chunk_)),
      self.bytes_.size() - self.position_);
  if (self.fail_after_) count = std::min(count, *self.fail_after_ - self.position_);
  if (count > 0) std::memcpy(buffer, self.bytes_.data() + self.position_, count);
  self.position_ += count;
  return static_cast<std::int64_t>(count);
}

}  // namespace vessimor::tools
