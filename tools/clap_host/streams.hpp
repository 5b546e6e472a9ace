#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/clap/clap.hpp"
#include "tools/clap_host/host_error.hpp"

namespace vessimor::tools {

// A `clap_ostream` that collects the bytes in memory and takes at most `max_chunk` bytes per
// `write` call, the way a host's chunked file or network stream does; a plug-in must loop until
// everything is written. With `fail_after`, a write once that many bytes are in answers -1.
class MemoryOutputStream {
 public:
  explicit MemoryOutputStream(std::size_t max_chunk = 3,
                              std::optional<std::size_t> fail_after = std::nullopt);
  MemoryOutputStream(const MemoryOutputStream&) = delete;
  MemoryOutputStream& operator=(const MemoryOutputStream&) = delete;

  const clap_ostream* record() const { return &record_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t calls() const { return calls_; }

 private:
  static std::int64_t write(const clap_ostream* stream, const void* buffer,
                            std::uint64_t size) noexcept;

  clap_ostream record_;
  std::vector<std::uint8_t> bytes_;
  std::size_t max_chunk_;
  std::optional<std::size_t> fail_after_;
  std::size_t calls_ = 0;
};

// A `clap_istream` over bytes in memory that delivers at most `max_chunk` bytes per `read` call
// and 0 at the end. With `fail_after`, a read once that many bytes were delivered answers -1.
class MemoryInputStream {
 public:
  explicit MemoryInputStream(std::vector<std::uint8_t> bytes, std::size_t max_chunk = 3,
                             std::optional<std::size_t> fail_after = std::nullopt);
  MemoryInputStream(const MemoryInputStream&) = delete;
  MemoryInputStream& operator=(const MemoryInputStream&) = delete;

  const clap_istream* record() const { return &record_; }
  std::size_t position() const { return position_; }
  std::size_t calls() const { return calls_; }

 private:
  static std::int64_t read(const clap_istream* stream, void* buffer, std::uint64_t size) noexcept;

  clap_istream record_;
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
  std::size_t max_chunk_;
  std::optional<std::size_t> fail_after_;
  std::size_t calls_ = 0;
};

}  // namespace vessimor::tools
