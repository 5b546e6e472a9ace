#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "framework/audio/audio_io_layout.hpp"
#include "framework/audio/buffer.hpp"
#include "framework/context.hpp"
#include "framework/editor.hpp"
#include "framework/params_interface.hpp"
#include "framework/vst3_subcategory.hpp"

namespace vessimor {

// Kinds of note and MIDI traffic a plug-in accepts or produces.
enum class MidiConfig : std::uint8_t {
  none,
  basic,
  midi_cc,
};

// The run-time operations that both wrappers drive. A plug-in derives from `Plugin` and declares
// its compile-time constants as static members (checked by `PluginType`, `ClapPlugin` and
// `Vst3Plugin`); the wrappers are templates on the plug-in type, so the constants are read at
// compile time and `process` needs no virtual dispatch when the plug-in class is final.
class Plugin {
 public:
  virtual ~Plugin() = default;

  // The shared parameter set. Thread: any
  virtual std::shared_ptr<Params> params() const = 0;

  // The plug-in's editor, or null when it has none. Called once per wrapper instance.
  // Thread: main
  virtual std::unique_ptr<Editor> editor(AsyncExecutor executor) = 0;

  // On activation, and again after a state load while a buffer configuration is known.
  // True on success. Thread: main, or audio at the start of a call when a loaded state
  // re-initialises the plug-in
  virtual bool initialize(const AudioIOLayout& layout, const ProcessingConfig& config,
                          InitContext& context) = 0;

  // When processing (re)starts and after a state load. Thread: audio, or main while not
  // processing
  virtual void reset() = 0;

  // One (sub-)block. Thread: audio
  virtual ProcessResult process(Buffer& buffer, AuxiliaryBuffers& aux, ProcessContext& context) = 0;

  // On deactivation; nothing to do by default. Thread: main
  virtual void deactivate() {}

  // Runs the plug-in's background tasks; does nothing by default. Thread: main
  virtual TaskExecutor task_executor() {
    return [](BackgroundTask) {};
  }
};

// The compile-time constants every plug-in declares, and what the wrappers need to create it.
template <class P>
concept PluginType = std::derived_from<P, Plugin> && std::default_initializable<P> && requires {
  { P::NAME } -> std::convertible_to<std::string_view>;
  { P::VENDOR } -> std::convertible_to<std::string_view>;
  { P::URL } -> std::convertible_to<std::string_view>;
  { P::SUPPORT_EMAIL } -> std::convertible_to<std::string_view>;
  // Shown by both formats and written as the saved state's "version".
  { P::VERSION } -> std::convertible_to<std::string_view>;
  // Supported layouts in order of preference; the first is the default.
  { P::AUDIO_LAYOUTS } -> std::convertible_to<std::span<const AudioIOLayout>>;
  { P::MIDI_INPUT } -> std::convertible_to<MidiConfig>;
  { P::MIDI_OUTPUT } -> std::convertible_to<MidiConfig>;
  // Whether the CLAP wrapper splits blocks at parameter events.
  { P::SAMPLE_ACCURATE_AUTOMATION } -> std::convertible_to<bool>;
};

// What the CLAP wrapper additionally reads.
template <class P>
concept ClapPlugin = PluginType<P> && requires {
  // Reverse-domain plug-in id.
  { P::CLAP_ID } -> std::convertible_to<std::string_view>;
  { P::CLAP_DESCRIPTION } -> std::convertible_to<std::string_view>;
  { P::CLAP_MANUAL_URL } -> std::convertible_to<std::optional<std::string_view>>;
  { P::CLAP_SUPPORT_URL } -> std::convertible_to<std::optional<std::string_view>>;
  { P::CLAP_FEATURES } -> std::convertible_to<std::span<const std::string_view>>;
};

// What the VST3 wrapper additionally reads.
template <class P>
concept Vst3Plugin = PluginType<P> && requires {
  { P::VST3_CLASS_ID } -> std::convertible_to<std::array<std::uint8_t, 16>>;
  // Their texts joined with "|" in the class information.
  { P::VST3_SUBCATEGORIES } -> std::convertible_to<std::span<const Vst3SubCategory>>;
};

}  // namespace vessimor
