#include "wrapper/clap/util.hpp"

#include "framework/panic.hpp"

namespace vessimor::clap {

void fatal(std::string message) {
  panic_at(std::move(message), __FILE__, static_cast<std::uint32_t>(__LINE__));
}

std::string null_host_function_message(std::string_view record, std::string_view function) {
  std::string message;
  message.reserve(record.size() + function.size() + 48);
  message += '\'';
  message += record;
  message += "::";
  message += function;
  message += "' is a null pointer, but this is not allowed";
  return message;
}

void null_host_function(std::string_view record, std::string_view function) {
  throw HostContractError(null_host_function_message(record, function));
}

}  // namespace vessimor::clap

namespace vessimor::util {

bool write_stream(const clap_ostream& stream, std::span<const std::byte> bytes) {
  if (bytes.empty()) {
    return true;
  }
  const auto write = clap::require_function(stream.write, "clap_ostream", "write");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::int64_t written = write(&stream, bytes.data() + done, bytes.size() - done);
    // A stream claiming more than asked is broken; treat it as an error rather than overrun.
    if (written <= 0 || static_cast<std::uint64_t>(written) > bytes.size() - done) {
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

bool read_stream_exact(const clap_istream& stream, std::span<std::byte> out) {
  const auto read = clap::require_function(stream.read, "clap_istream", "read");
  std::size_t done = 0;
  while (done < out.size()) {
    const std::int64_t got = read(&stream, out.data() + done, out.size() - done);
    if (got <= 0 || static_cast<std::uint64_t>(got) > out.size() - done) {
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace vessimor::util
