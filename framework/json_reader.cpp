#include "framework/json_reader.hpp"

#include <fmt/format.h>

#include <cmath>
#include <utility>
#include <vector>

#include "framework/float_text.hpp"
#include "framework/json.hpp"

namespace vessimor::json {

std::optional<float> Value::to_f32() const noexcept {
  switch (kind) {
    case Kind::floating:
      return floating;  // the library already rounded the text to the nearest f32
    case Kind::signed_integer:
      return static_cast<float>(signed_integer);
    case Kind::unsigned_integer:
      return static_cast<float>(unsigned_integer);
    default:
      return std::nullopt;
  }
}

std::optional<std::int64_t> Value::to_integer(std::int64_t min, std::int64_t max) const noexcept {
  if (kind == Kind::signed_integer) {
    if (signed_integer < min || signed_integer > max) return std::nullopt;
    return signed_integer;
  }
  if (kind == Kind::unsigned_integer) {
    if (max < 0 || unsigned_integer > static_cast<std::uint64_t>(max)) return std::nullopt;
    const auto v = static_cast<std::int64_t>(unsigned_integer);
    if (v < min) return std::nullopt;
    return v;
  }
  return std::nullopt;
}

std::string describe(const Value& value) {
  switch (value.kind) {
    case Value::Kind::null:
      return "null";
    case Value::Kind::boolean:
      return fmt::format("boolean `{}`", value.boolean);
    case Value::Kind::signed_integer:
      return fmt::format("integer `{}`", value.signed_integer);
    case Value::Kind::unsigned_integer:
      return fmt::format("integer `{}`", value.unsigned_integer);
    case Value::Kind::floating:
      return fmt::format("floating point `{}`", float_text::shortest(value.floating));
    case Value::Kind::string:
      return "string " + Json(*value.string).dump(-1, ' ', false, Json::error_handler_t::replace);
    case Value::Kind::sequence:
      return "sequence";
    case Value::Kind::map:
      return "map";
  }
  return "value";
}

std::string invalid_type(const Value& value, std::string_view expected) {
  return fmt::format("invalid type: {}, expected {}", describe(value), expected);
}

std::string invalid_value(const Value& value, std::string_view expected) {
  return fmt::format("invalid value: {}, expected {}", describe(value), expected);
}

std::string library_text(const std::exception& error) {
  std::string_view what = error.what();
  if (const auto close = what.find("] "); !what.empty() && what[0] == '[' && close != what.npos) {
    what.remove_prefix(close + 2);
  }
  return std::string(what);
}

namespace {

// The library's SAX events, turned into one `Reader::value` per member or element. Only the
// containers that a reader reads take a frame; skipped ones are counted, never stored.
class Streamer {
 public:
  explicit Streamer(Reader& document) { frames_.push_back(Frame{&document, 0, {}}); }

  bool null() { return scalar(Value{}); }
  bool boolean(bool b) {
    Value v;
    v.kind = Value::Kind::boolean;
    v.boolean = b;
    return scalar(v);
  }
  bool number_integer(Json::number_integer_t i) {
    Value v;
    v.kind = Value::Kind::signed_integer;
    v.signed_integer = i;
    return scalar(v);
  }
  bool number_unsigned(Json::number_unsigned_t u) {
    Value v;
    v.kind = Value::Kind::unsigned_integer;
    v.unsigned_integer = u;
    return scalar(v);
  }
  bool number_float(Json::number_float_t f, const Json::string_t&) {
    Value v;
    v.kind = Value::Kind::floating;
    v.floating = f;
    return scalar(v);
  }
  bool string(Json::string_t& s) {
    Value v;
    v.kind = Value::Kind::string;
    v.string = &s;
    return scalar(v);
  }
  bool binary(Json::binary_t&) { return fail("binary values are not JSON"); }
  bool start_object(std::size_t) { return open(Value::Kind::map); }
  bool start_array(std::size_t) { return open(Value::Kind::sequence); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  bool key(Json::string_t& key) {
    if (skipping_ == 0) frames_.back().key = std::move(key);
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const Json::exception& error) {
    return fail(library_text(error));
  }

  std::optional<std::string>& error() { return error_; }

 private:
  struct Frame {
    Reader* reader = nullptr;
    std::size_t count = 0;
    std::string key;
  };

  bool fail(std::string text) {
    if (!error_) error_ = std::move(text);
    return false;
  }

  // Hands the value to the reader of the innermost read container.
  Step deliver(Value& value) {
    Frame& frame = frames_.back();
    Step step = frame.reader->value(frame.key, frame.count++, value);
    frame.key.clear();
    return step;
  }

  bool scalar(Value value) {
    if (skipping_ > 0) return true;
    Step step = deliver(value);
    if (step.error) return fail(std::move(*step.error));
    return true;
  }

  bool open(Value::Kind kind) {
    if (skipping_ > 0) {
      ++skipping_;
      return true;
    }
    Value value;
    value.kind = kind;
    Step step = deliver(value);
    if (step.error) return fail(std::move(*step.error));
    if (step.into == nullptr) {
      skipping_ = 1;
    } else {
      frames_.push_back(Frame{step.into, 0, {}});
    }
    return true;
  }

  bool close() {
    if (skipping_ > 0) {
      --skipping_;
      return true;
    }
    Frame frame = std::move(frames_.back());
    frames_.pop_back();
    Step step = frame.reader->end(frame.count);
    if (step.error) return fail(std::move(*step.error));
    return true;
  }

  std::vector<Frame> frames_;
  std::size_t skipping_ = 0;
  std::optional<std::string> error_;
};

}  // namespace

std::optional<std::string> read(std::string_view text, Reader& document) {
  Streamer streamer(document);
  if (!Json::sax_parse(text.begin(), text.end(), &streamer) && !streamer.error()) {
    return std::string("unexpected end of input");
  }
  return std::move(streamer.error());
}

}  // namespace vessimor::json
