#include "framework/note_event.hpp"

namespace vessimor {

namespace {

float unit_7bit(std::uint8_t value) noexcept {
  return static_cast<float>(value) / 127.0F;
}

}  // namespace

MidiDecodeResult NoteEvent::from_midi(std::uint32_t timing,
                                      std::span<const std::uint8_t> bytes) noexcept {
  if (bytes.empty()) {
    return MidiDecodeError{0};
  }
  const std::uint8_t status = bytes[0] & 0xF0;
  const std::uint8_t channel = bytes[0] & 0x0F;
  const auto event = [&](Kind kind) -> MidiDecodeResult {
    return NoteEvent{timing, channel, kind};
  };

  if (bytes.size() >= 3) {
    const std::uint8_t data1 = bytes[1];
    const std::uint8_t data2 = bytes[2];
    switch (status) {
      case 0x80:
        return event(NoteOff{data1, unit_7bit(data2), std::nullopt});
      case 0x90:
        // Many devices send a note-off as a note-on with velocity 0.
        if (data2 == 0) {
          return event(NoteOff{data1, 0.0F, std::nullopt});
        }
        return event(NoteOn{data1, unit_7bit(data2), std::nullopt});
      case 0xA0:
        return event(PolyPressure{data1, unit_7bit(data2), std::nullopt});
      case 0xB0:
        return event(MidiCC{data1, unit_7bit(data2)});
      case 0xE0:
        return event(MidiPitchBend{static_cast<float>(data1 + data2 * 128) / 16383.0F});
      default:
        break;
    }
  }
  if (bytes.size() >= 2) {
    switch (status) {
      case 0xC0:
        return event(MidiProgramChange{bytes[1]});
      case 0xD0:
        return event(MidiChannelPressure{unit_7bit(bytes[1])});
      default:
        break;
    }
  }
  return MidiDecodeError{status};
}

}  // namespace vessimor
