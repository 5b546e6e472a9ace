#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace vessimor {

// One message from the editor page: a JSON object whose "type" member names the variant, e.g.
//   {"type":"set_param","name":"mix","value":0.25}
// Parameter edits are applied by the page message handler at once; every other variant travels to
// the audio thread through the editor state's page-to-plugin queue.
struct ParamMessage {
  // "set_param": a normalised value 0..1 for the parameter with this id.
  struct SetParam {
    std::string name;
    float value = 0.0f;
    bool operator==(const SetParam&) const = default;
  };
  // "begin_edit"
  struct BeginEdit {
    std::string name;
    bool operator==(const BeginEdit&) const = default;
  };
  // "end_edit"
  struct EndEdit {
    std::string name;
    bool operator==(const EndEdit&) const = default;
  };
  // "request_params": the page's first message after loading; nothing answers it.
  struct RequestParams {
    bool operator==(const RequestParams&) const = default;
  };
  // "request_transport": answered with an _updateTransport call.
  struct RequestTransport {
    bool operator==(const RequestTransport&) const = default;
  };
  // "custom": the plug-in takes no action; it reaches the audio thread without its texts.
  struct Custom {
    std::string action;
    std::string payload;
    bool operator==(const Custom&) const = default;
  };
  // "request_presets": answered with "presets_list".
  struct RequestPresets {
    bool operator==(const RequestPresets&) const = default;
  };
  // "load_preset": answered with "preset_values" and "preset_loaded", or "preset_error".
  struct LoadPreset {
    std::string name;
    bool is_factory = false;
    bool operator==(const LoadPreset&) const = default;
  };
  // "save_preset": answered with "preset_saved" or "preset_error".
  struct SavePreset {
    std::string name;
    bool operator==(const SavePreset&) const = default;
  };
  // "delete_preset": answered with "preset_deleted" or "preset_error".
  struct DeletePreset {
    std::string name;
    bool operator==(const DeletePreset&) const = default;
  };
  // "poll_messages": exists so that the handler runs and delivers the queued page calls.
  struct PollMessages {
    bool operator==(const PollMessages&) const = default;
  };

  using Variant =
      std::variant<SetParam, BeginEdit, EndEdit, RequestParams, RequestTransport, Custom,
                   RequestPresets, LoadPreset, SavePreset, DeletePreset, PollMessages>;

  template <typename Alternative,
            typename = std::enable_if_t<std::is_constructible_v<Variant, Alternative&&>>>
  ParamMessage(Alternative&& alternative)  // NOLINT: every variant converts implicitly
      : variant(std::forward<Alternative>(alternative)) {}

  // The "type" tag of the held variant, e.g. "set_param".
  std::string_view type() const noexcept;

  template <typename Alternative>
  bool is() const noexcept {
    return std::holds_alternative<Alternative>(variant);
  }
  template <typename Alternative>
  const Alternative* get_if() const noexcept {
    return std::get_if<Alternative>(&variant);
  }

  bool operator==(const ParamMessage&) const = default;

  Variant variant;
};

// Why a page message was refused, for the handler's log line.
class ParamMessageError {
 public:
  explicit ParamMessageError(std::string description) : description_(std::move(description)) {}
  const std::string& description() const noexcept { return description_; }

 private:
  std::string description_;
};

class ParamMessageResult {
 public:
  ParamMessageResult(ParamMessage message)  // NOLINT: success converts implicitly
      : state_(std::in_place_index<0>, std::move(message)) {}
  ParamMessageResult(ParamMessageError error)  // NOLINT: failure converts implicitly
      : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }
  ParamMessage& value() { return std::get<0>(state_); }
  const ParamMessage& value() const { return std::get<0>(state_); }
  const ParamMessageError& error() const { return std::get<1>(state_); }

 private:
  std::variant<ParamMessage, ParamMessageError> state_;
};

// Reads one page message. The text must be exactly one JSON object (white space around it is
// fine); "type" may stand anywhere in it; each member the variant lists must appear exactly once
// with the right JSON type ("value" any number, taken to the nearest f32; "is_factory" true or
// false; the others strings); members the variant does not list are ignored. Never throws.
// Thread: any (the page message handler calls it on the main thread)
ParamMessageResult parse_param_message(std::string_view text);

}  // namespace vessimor
