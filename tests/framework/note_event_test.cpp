#include "framework/note_event.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "framework/util/strlcpy.hpp"

namespace vessimor {
namespace {

MidiDecodeResult decode(std::vector<std::uint8_t> bytes) {
  return NoteEvent::from_midi(12, bytes);
}

NoteEvent event(std::uint8_t channel, NoteEvent::Kind kind) {
  return {12, channel, kind};
}

TEST(NoteEvent, DecodesChannelMessages) {
  EXPECT_EQ(decode({0x93, 0x40, 0x00}), MidiDecodeResult(event(3, NoteEvent::NoteOff{64, 0.0F})));
  EXPECT_EQ(decode({0x91, 0x3C, 127}), MidiDecodeResult(event(1, NoteEvent::NoteOn{60, 1.0F})));
  EXPECT_EQ(decode({0x8F, 0x3C, 64}),
            MidiDecodeResult(event(15, NoteEvent::NoteOff{60, 64.0F / 127.0F})));
  EXPECT_EQ(decode({0xA2, 0x10, 127}),
            MidiDecodeResult(event(2, NoteEvent::PolyPressure{16, 1.0F})));
  EXPECT_EQ(decode({0xB0, 7, 0}), MidiDecodeResult(event(0, NoteEvent::MidiCC{7, 0.0F})));
  EXPECT_EQ(decode({0xE0, 0x00, 0x40}),
            MidiDecodeResult(event(0, NoteEvent::MidiPitchBend{8192.0F / 16383.0F})));
  EXPECT_EQ(decode({0xE4, 0x7F, 0x7F}), MidiDecodeResult(event(4, NoteEvent::MidiPitchBend{1.0F})));
  EXPECT_EQ(decode({0xC5, 0x07}), MidiDecodeResult(event(5, NoteEvent::MidiProgramChange{7})));
  EXPECT_EQ(decode({0xD9, 127}), MidiDecodeResult(event(9, NoteEvent::MidiChannelPressure{1.0F})));
}

TEST(NoteEvent, RefusesShortAndUnknownMessages) {
  EXPECT_EQ(decode({}), MidiDecodeResult(MidiDecodeError{0}));
  EXPECT_EQ(decode({0xC5}), MidiDecodeResult(MidiDecodeError{0xC0}));
  EXPECT_EQ(decode({0x93, 0x40}), MidiDecodeResult(MidiDecodeError{0x90}));
  EXPECT_EQ(decode({0xF8, 0, 0}), MidiDecodeResult(MidiDecodeError{0xF0}));
  EXPECT_EQ(decode({0x45, 0, 0}), MidiDecodeResult(MidiDecodeError{0x40}));
}

TEST(Strlcpy, CutsAndTerminates) {
  std::array<char, 4> small{'x', 'x', 'x', 'x'};
  util::strlcpy(small.data(), small.size(), "Output");
  EXPECT_EQ(std::memcmp(small.data(), "Out", 4), 0);

  std::array<char, 16> large{};
  large.fill('x');
  util::strlcpy(large.data(), large.size(), "In");
  EXPECT_STREQ(large.data(), "In");
  EXPECT_EQ(large[3], 'x');

  char untouched = 'x';
  util::strlcpy(&untouched, 0, "anything");
  EXPECT_EQ(untouched, 'x');
}

}  // namespace
}  // namespace vessimor
