// One VST3 instance as hosts hold it: a single object with seven faces (component and edit
// controller are one object), a reference count and the shared instance state. Templated on the
// plug-in type so that its constants are read at compile time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "framework/panic.hpp"
#include "framework/plugin.hpp"
#include "platform/main_thread.hpp"
#include "platform/vst3/vst3.hpp"
#include "wrapper/vst3/buses.hpp"
#include "wrapper/vst3/com.hpp"
#include "wrapper/vst3/controller.hpp"
#include "wrapper/vst3/inner.hpp"
#include "wrapper/vst3/util.hpp"
#include "wrapper/vst3/view.hpp"

namespace vessimor::vst3 {

// A slot with a fixed answer, whatever its arguments. Thread: any
template <auto Answer, class... Args>
decltype(Answer) answer(void* /*self*/, Args... /*args*/) noexcept {
  return Answer;
}

template <Vst3Plugin P>
class Wrapper {
 public:
  // The faces in the order of the object; each is the host's pointer for its interfaces.
  enum Face : std::size_t {
    COMPONENT = 0,  // FUnknown, IPluginBase, IComponent
    EDIT_CONTROLLER,
    AUDIO_PROCESSOR,
    MIDI_MAPPING,
    NOTE_EXPRESSION_CONTROLLER,
    PROCESS_CONTEXT_REQUIREMENTS,
    UNIT_INFO,
    FACE_COUNT,
  };

  // The face that answers an interface id; nothing for an interface this object does not offer.
  // Thread: any
  static std::optional<Face> face_for(const char* iid) noexcept {
    if (abi::FUnknown::iid.matches(iid) || abi::IPluginBase::iid.matches(iid) ||
        abi::IComponent::iid.matches(iid)) {
      return COMPONENT;
    }
    if (abi::IEditController::iid.matches(iid)) return EDIT_CONTROLLER;
    if (abi::IAudioProcessor::iid.matches(iid)) return AUDIO_PROCESSOR;
    if (abi::IMidiMapping::iid.matches(iid)) return MIDI_MAPPING;
    if (abi::INoteExpressionController::iid.matches(iid)) return NOTE_EXPRESSION_CONTROLLER;
    if (abi::IProcessContextRequirements::iid.matches(iid)) return PROCESS_CONTEXT_REQUIREMENTS;
    if (abi::IUnitInfo::iid.matches(iid)) return UNIT_INFO;
    return std::nullopt;
  }

  // A new object over the instance, with one reference for the caller. Thread: any
  static Wrapper* create(std::shared_ptr<WrapperInner<P>> inner) {
    static_assert(std::is_standard_layout_v<Wrapper>, "the faces must start the object");
    return new Wrapper(std::move(inner));
  }

  Wrapper(const Wrapper&) = delete;
  Wrapper& operator=(const Wrapper&) = delete;

  // Thread: any
  void* face(Face face) noexcept { return static_cast<void*>(&faces_.tables[face]); }
  // Thread: any
  WrapperInner<P>& inner() noexcept { return *inner_; }

  // Stores the face for the interface and adds a reference, or stores null. Thread: any
  abi::tresult query_interface(const char* iid, void** obj) noexcept {
    if (obj == nullptr) return abi::kInvalidArgument;
    const std::optional<Face> found = face_for(iid);
    return answer_query(found ? face(*found) : nullptr, iid, obj, ref_count_);
  }
  // Thread: any
  std::uint32_t add_ref() noexcept { return ref_count_.add(); }
  // The last release frees the object, which lets go of the shared instance state. Thread: any
  std::uint32_t release() noexcept {
    const std::uint32_t left = ref_count_.remove();
    if (left == 0) {
      close_editor();
      delete this;
    }
    return left;
  }

 private:
  explicit Wrapper(std::shared_ptr<WrapperInner<P>> inner) : inner_(std::move(inner)) {
    faces_.tables[COMPONENT] = &COMPONENT_TABLE;
    faces_.tables[EDIT_CONTROLLER] = &EDIT_CONTROLLER_TABLE;
    faces_.tables[AUDIO_PROCESSOR] = &AUDIO_PROCESSOR_TABLE;
    faces_.tables[MIDI_MAPPING] = &MIDI_MAPPING_TABLE;
    faces_.tables[NOTE_EXPRESSION_CONTROLLER] = &NOTE_EXPRESSION_CONTROLLER_TABLE;
    faces_.tables[PROCESS_CONTEXT_REQUIREMENTS] = &PROCESS_CONTEXT_REQUIREMENTS_TABLE;
    faces_.tables[UNIT_INFO] = &UNIT_INFO_TABLE;
  }
  ~Wrapper() = default;

  // A host that lets go of the instance with its view still attached never calls `removed`. The
  // open view and the editor's context would then keep the instance, its threads and the web view
  // alive for good: close the editor, and let go of the editor itself, which may keep its last
  // context. Views the host still holds answer as views of an instance without an editor.
  void close_editor() noexcept {
    guard_entry([this] {
      if (!platform::is_main_thread()) return;
      WrapperInner<P>& instance = *inner_;
      instance.view().remove([&] { instance.core().editor().close(); });
      instance.core().editor().release_editor().reset();
    });
  }

  // Runs `work(Wrapper&)` for the object behind face I; see with_owner.
  template <Face I, class R, class F>
  static R with(void* self, R fallback, F&& work) noexcept {
    return with_owner<Wrapper, I>(self, fallback, std::forward<F>(work));
  }

  // FUnknown, on every face. Thread: any
  template <Face I>
  static constexpr abi::FUnknownVtbl UNKNOWN = UnknownSlots<Wrapper, I>::TABLE;
  // The component and the controller are one object: nothing to set up or take down.
  template <Face I>
  static constexpr abi::IPluginBaseVtbl PLUGIN_BASE{
      UNKNOWN<I>, &answer<abi::kResultOk, abi::FUnknown*>, &answer<abi::kResultOk>};

  // IUnitInfo over the unit tree. Thread: main
  static std::int32_t c_get_unit_count(void* self) noexcept {
    return with<UNIT_INFO>(self, std::int32_t{0}, [](Wrapper& wrapper) {
      return static_cast<std::int32_t>(wrapper.inner().param_units().len());
    });
  }
  static abi::tresult c_get_unit_info(void* self, std::int32_t index,
                                      abi::UnitInfo* info) noexcept {
    return with<UNIT_INFO>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      // A negative index is refused like one past the end, never read before the list.
      if (info == nullptr || index < 0) return abi::kInvalidArgument;
      const auto unit = wrapper.inner().param_units().info(static_cast<std::size_t>(index));
      if (!unit) return abi::kInvalidArgument;
      std::memset(info, 0, sizeof *info);
      info->id = unit->first;
      info->parentUnitId = unit->second->parent_unit_id;
      util::u16strlcpy(info->name, std::size(info->name), unit->second->name);
      info->programListId = abi::kNoProgramListId;
      return abi::kResultOk;
    });
  }

  // IEditController: the parameters as the host sees them, automation from the main thread, the
  // host's component handler and the plug-in view. Thread: main
  static std::int32_t c_get_parameter_count(void* self) noexcept {
    return with<EDIT_CONTROLLER>(self, std::int32_t{0}, [](Wrapper& wrapper) {
      return static_cast<std::int32_t>(wrapper.inner().core().tables().size());
    });
  }
  static abi::tresult c_get_parameter_info(void* self, std::int32_t index,
                                           abi::ParameterInfo* info) noexcept {
    return with<EDIT_CONTROLLER>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return parameter_info(wrapper.inner().core().tables(), wrapper.inner().param_units(), index,
                            info);
    });
  }
  static abi::tresult c_get_param_string_by_value(void* self, abi::ParamID id,
                                                  abi::ParamValue normalized,
                                                  char16_t* string) noexcept {
    return with<EDIT_CONTROLLER>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return param_string_by_value(wrapper.inner().core().tables(), id, normalized, string);
    });
  }
  static abi::tresult c_get_param_value_by_string(void* self, abi::ParamID id, char16_t* string,
                                                  abi::ParamValue* normalized) noexcept {
    return with<EDIT_CONTROLLER>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return param_value_by_string(wrapper.inner().core().tables(), id, string, normalized);
    });
  }
  static abi::ParamValue c_normalized_param_to_plain(void* self, abi::ParamID id,
                                                     abi::ParamValue normalized) noexcept {
    return with<EDIT_CONTROLLER>(self, normalized, [&](Wrapper& wrapper) {
      return normalized_param_to_plain(wrapper.inner().core().tables(), id, normalized);
    });
  }
  static abi::ParamValue c_plain_param_to_normalized(void* self, abi::ParamID id,
                                                     abi::ParamValue plain) noexcept {
    return with<EDIT_CONTROLLER>(self, plain, [&](Wrapper& wrapper) {
      return plain_param_to_normalized(wrapper.inner().core().tables(), id, plain);
    });
  }
  static abi::ParamValue c_get_param_normalized(void* self, abi::ParamID id) noexcept {
    return with<EDIT_CONTROLLER>(self, abi::ParamValue{0.5}, [&](Wrapper& wrapper) {
      return param_normalized(wrapper.inner().core().tables(), id);
    });
  }
  // Ignored while the host processes: the audio thread, which then gets automation through
  // `process`, stays the only writer.
  static abi::tresult c_set_param_normalized(void* self, abi::ParamID id,
                                             abi::ParamValue normalized) noexcept {
    return with<EDIT_CONTROLLER>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      if (wrapper.inner().core().is_processing()) return abi::kResultOk;
      return wrapper.inner().set_normalized_value_by_hash(id, static_cast<float>(normalized));
    });
  }
  static abi::tresult c_set_component_handler(void* self,
                                              abi::IComponentHandler* handler) noexcept {
    return with<EDIT_CONTROLLER>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      wrapper.inner().set_component_handler(handler);
      return abi::kResultOk;
    });
  }
  // Any name gets the one view there is; a plug-in without an editor has none.
  static abi::IPlugView* c_create_view(void* self, const char* /*name*/) noexcept {
    return with<EDIT_CONTROLLER>(
        self, static_cast<abi::IPlugView*>(nullptr), [](Wrapper& wrapper) -> abi::IPlugView* {
          if (!wrapper.inner().core().editor().has_editor()) return nullptr;
          WrapperView<P>* view = WrapperView<P>::allocate(wrapper.inner().shared_from_this());
          return static_cast<abi::IPlugView*>(view->face(WrapperView<P>::PLUG_VIEW));
        });
  }

  // IComponent: buses of the current layout, activation and the saved state. Thread: main
  static std::int32_t c_get_bus_count(void* self, std::int32_t type,
                                      std::int32_t direction) noexcept {
    return with<COMPONENT>(self, std::int32_t{0}, [&](Wrapper& wrapper) {
      return bus_count(wrapper.inner().core().layout(), type, direction);
    });
  }
  static abi::tresult c_get_bus_info(void* self, std::int32_t type, std::int32_t direction,
                                     std::int32_t index, abi::BusInfo* info) noexcept {
    return with<COMPONENT>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return bus_info(wrapper.inner().core().layout(), type, direction, index, info);
    });
  }
  static abi::tresult c_get_routing_info(void* self, abi::RoutingInfo* in,
                                         abi::RoutingInfo* out) noexcept {
    return with<COMPONENT>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return routing_info(wrapper.inner().core().layout(), in, out);
    });
  }
  // Every bus is always active; the call only checks that the bus exists.
  static abi::tresult c_activate_bus(void* self, std::int32_t type, std::int32_t direction,
                                     std::int32_t index, abi::TBool /*state*/) noexcept {
    return with<COMPONENT>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      const AudioIOLayout& layout = wrapper.inner().core().layout();
      return type == abi::kAudio && bus_channels(layout, direction, index) ? abi::kResultOk
                                                                           : abi::kInvalidArgument;
    });
  }
  static abi::tresult c_set_active(void* self, abi::TBool state) noexcept {
    return with<COMPONENT>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return wrapper.inner().set_active(state != 0);
    });
  }
  static abi::tresult c_set_state(void* self, abi::IBStream* stream) noexcept {
    return with<COMPONENT>(self, abi::kInvalidArgument,
                           [&](Wrapper& wrapper) { return wrapper.inner().set_state(stream); });
  }
  static abi::tresult c_get_state(void* self, abi::IBStream* stream) noexcept {
    return with<COMPONENT>(self, abi::kInvalidArgument,
                           [&](Wrapper& wrapper) { return wrapper.inner().get_state(stream); });
  }

  // IAudioProcessor. Thread: main, except process and setProcessing (audio)
  static abi::tresult c_set_bus_arrangements(void* self, abi::SpeakerArrangement* inputs,
                                             std::int32_t input_count,
                                             abi::SpeakerArrangement* outputs,
                                             std::int32_t output_count) noexcept {
    return with<AUDIO_PROCESSOR>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return wrapper.inner().set_bus_arrangements(inputs, input_count, outputs, output_count);
    });
  }
  static abi::tresult c_get_bus_arrangement(void* self, std::int32_t direction, std::int32_t index,
                                            abi::SpeakerArrangement* arrangement) noexcept {
    return with<AUDIO_PROCESSOR>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      const std::optional<std::uint32_t> channels =
          bus_channels(wrapper.inner().core().layout(), direction, index);
      if (arrangement == nullptr || !channels) return abi::kInvalidArgument;
      *arrangement = arrangement_for(*channels);
      return abi::kResultOk;
    });
  }
  static abi::tresult c_can_process_sample_size(void* /*self*/, std::int32_t size) noexcept {
    return size == abi::kSample32 ? abi::kResultOk : abi::kResultFalse;
  }
  static std::uint32_t c_get_latency_samples(void* self) noexcept {
    return with<AUDIO_PROCESSOR>(self, std::uint32_t{0}, [](Wrapper& wrapper) {
      return wrapper.inner().core().latency_samples();
    });
  }
  static abi::tresult c_setup_processing(void* self, abi::ProcessSetup* setup) noexcept {
    return with<AUDIO_PROCESSOR>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return wrapper.inner().setup_processing(setup);
    });
  }
  static abi::tresult c_set_processing(void* self, abi::TBool state) noexcept {
    return with<AUDIO_PROCESSOR>(self, abi::kInvalidArgument, [&](Wrapper& wrapper) {
      return wrapper.inner().set_processing(state != 0);
    });
  }
  static abi::tresult c_process(void* self, abi::ProcessData* data) noexcept {
    return with<AUDIO_PROCESSOR>(self, abi::kInvalidArgument,
                                 [&](Wrapper& wrapper) { return wrapper.inner().process(data); });
  }
  // The comb's ringing, as the plug-in reported it with its last block.
  static std::uint32_t c_get_tail_samples(void* self) noexcept {
    return with<AUDIO_PROCESSOR>(
        self, abi::kNoTail, [](Wrapper& wrapper) { return wrapper.inner().core().tail_samples(); });
  }

  // The component is its own controller, so it names no controller class.
  static constexpr abi::IComponentVtbl COMPONENT_TABLE{
      PLUGIN_BASE<COMPONENT>,
      &answer<abi::kNoInterface, char*>,
      &answer<abi::kResultOk, std::int32_t>,
      &c_get_bus_count,
      &c_get_bus_info,
      &c_get_routing_info,
      &c_activate_bus,
      &c_set_active,
      &c_set_state,
      &c_get_state,
  };

  // The component's state carries everything: the controller's own state calls have nothing to
  // read or write.
  static constexpr abi::IEditControllerVtbl EDIT_CONTROLLER_TABLE{
      PLUGIN_BASE<EDIT_CONTROLLER>,
      &answer<abi::kResultOk, abi::IBStream*>,
      &answer<abi::kResultOk, abi::IBStream*>,
      &answer<abi::kResultOk, abi::IBStream*>,
      &c_get_parameter_count,
      &c_get_parameter_info,
      &c_get_param_string_by_value,
      &c_get_param_value_by_string,
      &c_normalized_param_to_plain,
      &c_plain_param_to_normalized,
      &c_get_param_normalized,
      &c_set_param_normalized,
      &c_set_component_handler,
      &c_create_view,
  };

  static constexpr abi::IAudioProcessorVtbl AUDIO_PROCESSOR_TABLE{
      UNKNOWN<AUDIO_PROCESSOR>, &c_set_bus_arrangements,
      &c_get_bus_arrangement,   &c_can_process_sample_size,
      &c_get_latency_samples,   &c_setup_processing,
      &c_set_processing,        &c_process,
      &c_get_tail_samples,
  };

  // No MIDI controller drives a parameter.
  static constexpr abi::IMidiMappingVtbl MIDI_MAPPING_TABLE{
      UNKNOWN<MIDI_MAPPING>,
      &answer<abi::kResultFalse, std::int32_t, std::int16_t, std::int16_t, abi::ParamID*>,
  };

  // No note expressions.
  static constexpr abi::INoteExpressionControllerVtbl NOTE_EXPRESSION_CONTROLLER_TABLE{
      UNKNOWN<NOTE_EXPRESSION_CONTROLLER>,
      &answer<std::int32_t{0}, std::int32_t, std::int16_t>,
      &answer<abi::kInvalidArgument, std::int32_t, std::int16_t, std::int32_t,
              abi::NoteExpressionTypeInfo*>,
      &answer<abi::kResultFalse, std::int32_t, std::int16_t, std::uint32_t, abi::ParamValue,
              char16_t*>,
      &answer<abi::kResultFalse, std::int32_t, std::int16_t, std::uint32_t, const char16_t*,
              abi::ParamValue*>,
  };

  // The transport fields the processing reads.
  static constexpr std::uint32_t NEEDED_CONTEXT =
      abi::kNeedProjectTimeMusic | abi::kNeedBarPositionMusic | abi::kNeedCycleMusic |
      abi::kNeedTempo | abi::kNeedTimeSignature | abi::kNeedTransportState;
  static constexpr abi::IProcessContextRequirementsVtbl PROCESS_CONTEXT_REQUIREMENTS_TABLE{
      UNKNOWN<PROCESS_CONTEXT_REQUIREMENTS>,
      &answer<NEEDED_CONTEXT>,
  };

  // Units from the parameter groups; no program lists.
  static constexpr abi::IUnitInfoVtbl UNIT_INFO_TABLE{
      UNKNOWN<UNIT_INFO>,
      &c_get_unit_count,
      &c_get_unit_info,
      &answer<std::int32_t{0}>,
      &answer<abi::kInvalidArgument, std::int32_t, abi::ProgramListInfo*>,
      &answer<abi::kInvalidArgument, abi::ProgramListID, std::int32_t, char16_t*>,
      &answer<abi::kInvalidArgument, abi::ProgramListID, std::int32_t, const char*, char16_t*>,
      &answer<abi::kInvalidArgument, abi::ProgramListID, std::int32_t>,
      &answer<abi::kInvalidArgument, abi::ProgramListID, std::int32_t, std::int16_t, char16_t*>,
      &answer<abi::kRootUnitId>,
      &answer<abi::kResultFalse, abi::UnitID>,
      &answer<abi::kResultFalse, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
              abi::UnitID*>,
      &answer<abi::kInvalidArgument, std::int32_t, std::int32_t, abi::IBStream*>,
  };

  Faces<FACE_COUNT> faces_;
  RefCount ref_count_;
  std::shared_ptr<WrapperInner<P>> inner_;
};

}  // namespace vessimor::vst3
