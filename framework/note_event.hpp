#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace vessimor {

// A raw MIDI message that does not decode: the status byte with its channel bits cleared (0 for
// an empty message).
struct MidiDecodeError {
  std::uint8_t status = 0;

  friend bool operator==(const MidiDecodeError&, const MidiDecodeError&) = default;
};

struct NoteEvent;
using MidiDecodeResult = std::variant<NoteEvent, MidiDecodeError>;

// A timed note or MIDI channel event.
struct NoteEvent {
  struct NoteOn {
    std::uint8_t note = 0;
    float velocity = 0.0F;
    std::optional<std::int32_t> voice_id{};
    friend bool operator==(const NoteOn&, const NoteOn&) = default;
  };
  struct NoteOff {
    std::uint8_t note = 0;
    float velocity = 0.0F;
    std::optional<std::int32_t> voice_id{};
    friend bool operator==(const NoteOff&, const NoteOff&) = default;
  };
  struct PolyPressure {
    std::uint8_t note = 0;
    float pressure = 0.0F;
    std::optional<std::int32_t> voice_id{};
    friend bool operator==(const PolyPressure&, const PolyPressure&) = default;
  };
  struct MidiChannelPressure {
    float pressure = 0.0F;
    friend bool operator==(const MidiChannelPressure&, const MidiChannelPressure&) = default;
  };
  // 0 to 1, centred at 8192 / 16383.
  struct MidiPitchBend {
    float value = 0.0F;
    friend bool operator==(const MidiPitchBend&, const MidiPitchBend&) = default;
  };
  struct MidiCC {
    std::uint8_t cc = 0;
    float value = 0.0F;
    friend bool operator==(const MidiCC&, const MidiCC&) = default;
  };
  struct MidiProgramChange {
    std::uint8_t program = 0;
    friend bool operator==(const MidiProgramChange&, const MidiProgramChange&) = default;
  };

  using Kind = std::variant<NoteOn, NoteOff, PolyPressure, MidiChannelPressure, MidiPitchBend,
                            MidiCC, MidiProgramChange>;

  // Sample offset within the block.
  std::uint32_t timing = 0;
  // 0 to 15.
  std::uint8_t channel = 0;
  Kind kind;

  // Decodes one MIDI 1.0 channel message. Thread: any
  static MidiDecodeResult from_midi(std::uint32_t timing,
                                    std::span<const std::uint8_t> bytes) noexcept;

  friend bool operator==(const NoteEvent&, const NoteEvent&) = default;
};

}  // namespace vessimor
