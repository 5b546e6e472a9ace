// The VST3 edit-controller side: parameter information, the controller and the host's component
// handler, units, MIDI mapping and note expression, and the ids of interfaces that hosts ask for
// and this plug-in refuses. Same conventions and pins as platform/vst3/base.hpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/vst3/base.hpp"

namespace vessimor::vst3::abi {

struct IPlugView;

// ParameterInfo::flags.
inline constexpr std::int32_t kNoFlags = 0;
inline constexpr std::int32_t kCanAutomate = 1 << 0;
inline constexpr std::int32_t kIsReadOnly = 1 << 1;
inline constexpr std::int32_t kIsWrapAround = 1 << 2;
inline constexpr std::int32_t kIsList = 1 << 3;
inline constexpr std::int32_t kIsHidden = 1 << 4;
inline constexpr std::int32_t kIsProgramChange = 1 << 15;
inline constexpr std::int32_t kIsBypass = 1 << 16;

// restartComponent flags.
inline constexpr std::int32_t kReloadComponent = 1 << 0;
inline constexpr std::int32_t kIoChanged = 1 << 1;
inline constexpr std::int32_t kParamValuesChanged = 1 << 2;
inline constexpr std::int32_t kLatencyChanged = 1 << 3;
inline constexpr std::int32_t kParamTitlesChanged = 1 << 4;
inline constexpr std::int32_t kMidiCCAssignmentChanged = 1 << 5;
inline constexpr std::int32_t kNoteExpressionChanged = 1 << 6;
inline constexpr std::int32_t kIoTitlesChanged = 1 << 7;
inline constexpr std::int32_t kPrefetchableSupportChanged = 1 << 8;
inline constexpr std::int32_t kRoutingInfoChanged = 1 << 9;
inline constexpr std::int32_t kKeyswitchChanged = 1 << 10;
inline constexpr std::int32_t kParamIDMappingChanged = 1 << 11;

// Units and program lists.
inline constexpr UnitID kRootUnitId = 0;
inline constexpr UnitID kNoParentUnitId = -1;
inline constexpr ProgramListID kNoProgramListId = -1;
inline constexpr std::int32_t kAllProgramInvalid = -1;

struct ParameterInfo {
  ParamID id;
  char16_t title[128];
  char16_t shortTitle[128];
  char16_t units[128];
  std::int32_t stepCount;
  ParamValue defaultNormalizedValue;
  UnitID unitId;
  std::int32_t flags;
};

struct UnitInfo {
  UnitID id;
  UnitID parentUnitId;
  char16_t name[128];
  ProgramListID programListId;
};

struct ProgramListInfo {
  ProgramListID id;
  char16_t name[128];
  std::int32_t programCount;
};

// Described by the note-expression calls; the plug-in never fills one.
struct alignas(8) NoteExpressionTypeInfo {
  unsigned char bytes[816];
};

struct IComponentHandlerVtbl {
  FUnknownVtbl unknown;
  tresult (*beginEdit)(void* self, ParamID id);
  tresult (*performEdit)(void* self, ParamID id, ParamValue valueNormalized);
  tresult (*endEdit)(void* self, ParamID id);
  tresult (*restartComponent)(void* self, std::int32_t flags);
};

struct IComponentHandler {
  const IComponentHandlerVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
};

struct IEditControllerVtbl {
  IPluginBaseVtbl base;
  tresult (*setComponentState)(void* self, IBStream* state);
  tresult (*setState)(void* self, IBStream* state);
  tresult (*getState)(void* self, IBStream* state);
  std::int32_t (*getParameterCount)(void* self);
  tresult (*getParameterInfo)(void* self, std::int32_t paramIndex, ParameterInfo* info);
  tresult (*getParamStringByValue)(void* self, ParamID id, ParamValue valueNormalized,
                                   char16_t* string);
  tresult (*getParamValueByString)(void* self, ParamID id, char16_t* string,
                                   ParamValue* valueNormalized);
  ParamValue (*normalizedParamToPlain)(void* self, ParamID id, ParamValue valueNormalized);
  ParamValue (*plainParamToNormalized)(void* self, ParamID id, ParamValue plainValue);
  ParamValue (*getParamNormalized)(void* self, ParamID id);
  tresult (*setParamNormalized)(void* self, ParamID id, ParamValue value);
  tresult (*setComponentHandler)(void* self, IComponentHandler* handler);
  IPlugView* (*createView)(void* self, const char* name);
};

struct IEditController {
  const IEditControllerVtbl* vtbl;
  static constexpr Iid iid = make_iid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
};

struct IUnitInfoVtbl {
  FUnknownVtbl unknown;
  std::int32_t (*getUnitCount)(void* self);
  tresult (*getUnitInfo)(void* self, std::int32_t unitIndex, UnitInfo* info);
  std::int32_t (*getProgramListCount)(void* self);
  tresult (*getProgramListInfo)(void* self, std::int32_t listIndex, ProgramListInfo* info);
  tresult (*getProgramName)(void* self, ProgramListID listId, std::int32_t programIndex,
                            char16_t* name);
  tresult (*getProgramInfo)(void* self, ProgramListID listId, std::int32_t programIndex,
                            const char* attributeId, char16_t* attributeValue);
  tresult (*hasProgramPitchNames)(void* self, ProgramListID listId, std::int32_t programIndex);
  tresult (*getProgramPitchName)(void* self, ProgramListID listId, std::int32_t programIndex,
                                 std::int16_t midiPitch, char16_t* name);
  UnitID (*getSelectedUnit)(void* self);
  tresult (*selectUnit)(void* self, UnitID unitId);
  tresult (*getUnitByBus)(void* self, std::int32_t type, std::int32_t dir, std::int32_t busIndex,
                          std::int32_t channel, UnitID* unitId);
  tresult (*setUnitProgramData)(void* self, std::int32_t listOrUnitId, std::int32_t programIndex,
                                IBStream* data);
};

struct IUnitInfo {
  const IUnitInfoVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
};

struct IMidiMappingVtbl {
  FUnknownVtbl unknown;
  tresult (*getMidiControllerAssignment)(void* self, std::int32_t busIndex, std::int16_t channel,
                                         std::int16_t midiControllerNumber, ParamID* id);
};

struct IMidiMapping {
  const IMidiMappingVtbl* vtbl;
  static constexpr Iid iid = make_iid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
};

struct INoteExpressionControllerVtbl {
  FUnknownVtbl unknown;
  std::int32_t (*getNoteExpressionCount)(void* self, std::int32_t busIndex, std::int16_t channel);
  tresult (*getNoteExpressionInfo)(void* self, std::int32_t busIndex, std::int16_t channel,
                                   std::int32_t noteExpressionIndex, NoteExpressionTypeInfo* info);
  tresult (*getNoteExpressionStringByValue)(void* self, std::int32_t busIndex, std::int16_t channel,
                                            std::uint32_t id, ParamValue valueNormalized,
                                            char16_t* string);
  tresult (*getNoteExpressionValueByString)(void* self, std::int32_t busIndex, std::int16_t channel,
                                            std::uint32_t id, const char16_t* string,
                                            ParamValue* valueNormalized);
};

struct INoteExpressionController {
  const INoteExpressionControllerVtbl* vtbl;
  static constexpr Iid iid = make_iid(0xB7F8F859, 0x41234872, 0x91169581, 0x4F3721A3);
};

// Interfaces hosts ask for that this plug-in does not offer.
inline constexpr Iid IConnectionPoint_iid =
    make_iid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
inline constexpr Iid IMidiLearn_iid = make_iid(0x6B2449CC, 0x419740B5, 0xAB3C79DA, 0xC5FE5C86);
inline constexpr Iid IKeyswitchController_iid =
    make_iid(0x1F2F76D3, 0xBFFB4B96, 0xB99527A5, 0x5EBCCEF4);
inline constexpr Iid INoteExpressionPhysicalUIMapping_iid =
    make_iid(0xB03078FF, 0x94D24AC8, 0x90CCD303, 0xD4133324);

// Layout pins.
static_assert(sizeof(ParameterInfo) == 792 && alignof(ParameterInfo) == 8);
static_assert(offsetof(ParameterInfo, id) == 0);
static_assert(offsetof(ParameterInfo, title) == 4);
static_assert(offsetof(ParameterInfo, shortTitle) == 260);
static_assert(offsetof(ParameterInfo, units) == 516);
static_assert(offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(offsetof(ParameterInfo, unitId) == 784);
static_assert(offsetof(ParameterInfo, flags) == 788);

static_assert(sizeof(UnitInfo) == 268 && alignof(UnitInfo) == 4);
static_assert(offsetof(UnitInfo, id) == 0);
static_assert(offsetof(UnitInfo, parentUnitId) == 4);
static_assert(offsetof(UnitInfo, name) == 8);
static_assert(offsetof(UnitInfo, programListId) == 264);

static_assert(sizeof(ProgramListInfo) == 264 && alignof(ProgramListInfo) == 4);
static_assert(offsetof(ProgramListInfo, id) == 0);
static_assert(offsetof(ProgramListInfo, name) == 4);
static_assert(offsetof(ProgramListInfo, programCount) == 260);

static_assert(sizeof(NoteExpressionTypeInfo) == 816 && alignof(NoteExpressionTypeInfo) == 8);

static_assert(sizeof(IComponentHandlerVtbl) == 7 * kSlot);
static_assert(offsetof(IComponentHandlerVtbl, beginEdit) == 3 * kSlot);
static_assert(offsetof(IComponentHandlerVtbl, performEdit) == 4 * kSlot);
static_assert(offsetof(IComponentHandlerVtbl, endEdit) == 5 * kSlot);
static_assert(offsetof(IComponentHandlerVtbl, restartComponent) == 6 * kSlot);

static_assert(sizeof(IEditControllerVtbl) == 18 * kSlot);
static_assert(offsetof(IEditControllerVtbl, setComponentState) == 5 * kSlot);
static_assert(offsetof(IEditControllerVtbl, setState) == 6 * kSlot);
static_assert(offsetof(IEditControllerVtbl, getState) == 7 * kSlot);
static_assert(offsetof(IEditControllerVtbl, getParameterCount) == 8 * kSlot);
static_assert(offsetof(IEditControllerVtbl, getParameterInfo) == 9 * kSlot);
static_assert(offsetof(IEditControllerVtbl, getParamStringByValue) == 10 * kSlot);
static_assert(offsetof(IEditControllerVtbl, getParamValueByString) == 11 * kSlot);
static_assert(offsetof(IEditControllerVtbl, normalizedParamToPlain) == 12 * kSlot);
static_assert(offsetof(IEditControllerVtbl, plainParamToNormalized) == 13 * kSlot);
static_assert(offsetof(IEditControllerVtbl, getParamNormalized) == 14 * kSlot);
static_assert(offsetof(IEditControllerVtbl, setParamNormalized) == 15 * kSlot);
static_assert(offsetof(IEditControllerVtbl, setComponentHandler) == 16 * kSlot);
static_assert(offsetof(IEditControllerVtbl, createView) == 17 * kSlot);

static_assert(sizeof(IUnitInfoVtbl) == 15 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getUnitCount) == 3 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getUnitInfo) == 4 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getProgramListCount) == 5 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getProgramListInfo) == 6 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getProgramName) == 7 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getProgramInfo) == 8 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, hasProgramPitchNames) == 9 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getProgramPitchName) == 10 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getSelectedUnit) == 11 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, selectUnit) == 12 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, getUnitByBus) == 13 * kSlot);
static_assert(offsetof(IUnitInfoVtbl, setUnitProgramData) == 14 * kSlot);

static_assert(sizeof(IMidiMappingVtbl) == 4 * kSlot);
static_assert(offsetof(IMidiMappingVtbl, getMidiControllerAssignment) == 3 * kSlot);

static_assert(sizeof(INoteExpressionControllerVtbl) == 7 * kSlot);
static_assert(offsetof(INoteExpressionControllerVtbl, getNoteExpressionCount) == 3 * kSlot);
static_assert(offsetof(INoteExpressionControllerVtbl, getNoteExpressionInfo) == 4 * kSlot);
static_assert(offsetof(INoteExpressionControllerVtbl, getNoteExpressionStringByValue) == 5 * kSlot);
static_assert(offsetof(INoteExpressionControllerVtbl, getNoteExpressionValueByString) == 6 * kSlot);

}  // namespace vessimor::vst3::abi
