#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

// The one reading layer for the project's JSON texts (saved state, preset files, page messages).
// It streams a text through the JSON library and hands each container's members or elements to a
// `json::Reader`, so that each format checks its values as they arrive (repeated keys included,
// which a tree would hide) and containers it does not read are skipped without being stored. The
// error texts name values and expectations the same way for every format.
namespace vessimor::json {

// One value as the reader meets it: the content of a scalar, or only the kind of a container.
struct Value {
  enum class Kind : std::uint8_t {
    null,
    boolean,
    signed_integer,
    unsigned_integer,
    floating,
    string,
    sequence,
    map,
  };

  Kind kind = Kind::null;
  bool boolean = false;
  std::int64_t signed_integer = 0;
  std::uint64_t unsigned_integer = 0;
  float floating = 0.0F;
  // The string's text while the reader looks at it; a reader may move it out.
  std::string* string = nullptr;

  bool is_container() const noexcept { return kind == Kind::sequence || kind == Kind::map; }
  // Any number, to the nearest f32 (integers included); nothing for anything else.
  std::optional<float> to_f32() const noexcept;
  // An integer within [min, max]; nothing for anything else, fractional numbers included.
  std::optional<std::int64_t> to_integer(std::int64_t min, std::int64_t max) const noexcept;
  bool is_integer() const noexcept {
    return kind == Kind::signed_integer || kind == Kind::unsigned_integer;
  }
};

// How error texts name a value: null, boolean `true`, integer `5`, floating point `0.5` (shortest
// f32 digits), string "text" (JSON-escaped), sequence, map.
std::string describe(const Value& value);
// "invalid type: <value>, expected <expected>"
std::string invalid_type(const Value& value, std::string_view expected);
// "invalid value: <value>, expected <expected>"
std::string invalid_value(const Value& value, std::string_view expected);

// The library's message without its "[json.exception.parse_error.101] " tag.
std::string library_text(const std::exception& error);

class Reader;

// What a reader says after a value: go on (a container's content skipped), read the container's
// content with another reader, or stop with an error text.
struct Step {
  Reader* into = nullptr;
  std::optional<std::string> error;

  static Step next() { return {}; }
  static Step read_with(Reader& reader) { return {&reader, std::nullopt}; }
  static Step fail(std::string text) { return {nullptr, std::move(text)}; }
};

// Reads one container level.
class Reader {
 public:
  virtual ~Reader() = default;
  // One object member (its key, and its position) or array element (empty key, its position). A
  // container arrives before its content.
  virtual Step value(std::string_view key, std::size_t index, Value& value) = 0;
  // The container ended after `count` members or elements.
  virtual Step end(std::size_t /*count*/) { return Step::next(); }
};

// Parses `text` as exactly one JSON value (white space around it allowed) and streams it: the
// top-level value goes to `document.value("", 0, ...)`. The first failure ends the read and is
// returned: a reader's error text, or the library's syntax error without its
// "[json.exception...]" tag. A byte-order mark is skipped. Nothing on success. Throws only what
// allocation throws. Thread: any
std::optional<std::string> read(std::string_view text, Reader& document);

}  // namespace vessimor::json
