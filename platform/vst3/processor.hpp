// The VST3 component and audio-processor interfaces: buses, routing, processing set-up, the
// process call's records, the host's parameter-change and event lists, and the process-context
// requirements. Same conventions and pins as platform/vst3/base.hpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/vst3/base.hpp"

namespace vessimor::vst3::abi {

// Media types, bus directions and bus types.
inline constexpr std::int32_t kAudio = 0;
inline constexpr std::int32_t kEvent = 1;
inline constexpr std::int32_t kInput = 0;
inline constexpr std::int32_t kOutput = 1;
inline constexpr std::int32_t kMain = 0;
inline constexpr std::int32_t kAux = 1;
inline constexpr std::uint32_t kDefaultActive = 1 << 0;
inline constexpr std::uint32_t kIsControlVoltage = 1 << 1;

// I/O modes.
inline constexpr std::int32_t kSimple = 0;
inline constexpr std::int32_t kAdvanced = 1;
inline constexpr std::int32_t kOfflineProcessing = 2;

// Process modes and sample sizes.
inline constexpr std::int32_t kRealtime = 0;
inline constexpr std::int32_t kPrefetch = 1;
inline constexpr std::int32_t kOffline = 2;
inline constexpr std::int32_t kSample32 = 0;
inline constexpr std::int32_t kSample64 = 1;

inline constexpr std::uint32_t kNoTail = 0;
inline constexpr std::uint32_t kInfiniteTail = 0xFFFFFFFF;
inline constexpr ParamID kNoParamId = 0xFFFFFFFF;

// Speakers and arrangements.
inline constexpr SpeakerArrangement kSpeakerL = 1 << 0;
inline constexpr SpeakerArrangement kSpeakerR = 1 << 1;
inline constexpr SpeakerArrangement kSpeakerC = 1 << 2;
inline constexpr SpeakerArrangement kSpeakerLfe = 1 << 3;
inline constexpr SpeakerArrangement kSpeakerLs = 1 << 4;
inline constexpr SpeakerArrangement kSpeakerRs = 1 << 5;
inline constexpr SpeakerArrangement kSpeakerLc = 1 << 6;
inline constexpr SpeakerArrangement kSpeakerRc = 1 << 7;
inline constexpr SpeakerArrangement kSpeakerSl = 1 << 9;
inline constexpr SpeakerArrangement kSpeakerSr = 1 << 10;
inline constexpr SpeakerArrangement kSpeakerM = 1 << 19;
inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kMono = kSpeakerM;
inline constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;
inline constexpr SpeakerArrangement k50 = 0x37;
inline constexpr SpeakerArrangement k51 = 0x3F;
inline constexpr SpeakerArrangement k70Cine = 0xF7;
inline constexpr SpeakerArrangement k71Cine = 0xFF;

// ProcessContext::state bits.
inline constexpr std::uint32_t kPlaying = 1 << 1;
inline constexpr std::uint32_t kCycleActive = 1 << 2;
inline constexpr std::uint32_t kRecording = 1 << 3;
inline constexpr std::uint32_t kSystemTimeValid = 1 << 8;
inline constexpr std::uint32_t kProjectTimeMusicValid = 1 << 9;
inline constexpr std::uint32_t kTempoValid = 1 << 10;
inline constexpr std::uint32_t kBarPositionValid = 1 << 11;
inline constexpr std::uint32_t kCycleValid = 1 << 12;
inline constexpr std::uint32_t kTimeSigValid = 1 << 13;
inline constexpr std::uint32_t kSmpteValid = 1 << 14;
inline constexpr std::uint32_t kClockValid = 1 << 15;
inline constexpr std::uint32_t kContTimeValid = 1 << 17;
inline constexpr std::uint32_t kChordValid = 1 << 18;

// Process-context requirement bits.
inline constexpr std::uint32_t kNeedSystemTime = 1 << 0;
inline constexpr std::uint32_t kNeedContinousTimeSamples = 1 << 1;
inline constexpr std::uint32_t kNeedProjectTimeMusic = 1 << 2;
inline constexpr std::uint32_t kNeedBarPositionMusic = 1 << 3;
inline constexpr std::uint32_t kNeedCycleMusic = 1 << 4;
inline constexpr std::uint32_t kNeedSamplesToNextClock = 1 << 5;
inline constexpr std::uint32_t kNeedTempo = 1 << 6;
inline constexpr std::uint32_t kNeedTimeSignature = 1 << 7;
inline constexpr std::uint32_t kNeedChord = 1 << 8;
inline constexpr std::uint32_t kNeedFrameRate = 1 << 9;
inline constexpr std::uint32_t kNeedTransportState = 1 << 10;

struct BusInfo {
  std::int32_t mediaType;
  std::int32_t direction;
  std::int32_t channelCount;
  char16_t name[128];
  std::int32_t busType;
  std::uint32_t flags;
};

struct RoutingInfo {
  std::int32_t mediaType;
  std::int32_t busIndex;
  std::int32_t channel;
};

struct ProcessSetup {
  std::int32_t processMode;
  std::int32_t symbolicSampleSize;
  std::int32_t maxSamplesPerBlock;
  double sampleRate;
};

struct AudioBusBuffers {
  std::int32_t numChannels;
  std::uint64_t silenceFlags;
  union {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};

struct Chord {
  std::uint8_t keyNote;
  std::uint8_t rootNote;
  std::int16_t chordMask;
};

struct FrameRate {
  std::uint32_t framesPerSecond;
  std::uint32_t flags;
};

struct ProcessContext {
  std::uint32_t state;
  double sampleRate;
  TSamples projectTimeSamples;
  std::int64_t systemTime;
  TSamples continousTimeSamples;  // the published spelling
  TQuarterNotes projectTimeMusic;
  TQuarterNotes barPositionMusic;
  TQuarterNotes cycleStartMusic;
  TQuarterNotes cycleEndMusic;
  double tempo;
  std::int32_t timeSigNumerator;
  std::int32_t timeSigDenominator;
  Chord chord;
  std::int32_t smpteOffsetSubframes;
  FrameRate frameRate;
  std::int32_t samplesToNextClock;
};

// A note or data event of the host's event lists; the plug-in never reads or fills one.
struct alignas(8) Event {
  unsigned char bytes[48];
};

struct IParamValueQueueVtbl {
  FUnknownVtbl unknown;
  ParamID (*getParameterId)(void* self);
  std::int32_t (*getPointCount)(void* self);
  tresult (*getPoint)(void* self, std::int32_t index, std::int32_t* sampleOffset,
                      ParamValue* value);
  tresult (*addPoint)(void* self, std::int32_t sampleOffset, ParamValue value, std::int32_t* index);
};

struct IParamValueQueue {
  const IParamValueQueueVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
};

struct IParameterChangesVtbl {
  FUnknownVtbl unknown;
  std::int32_t (*getParameterCount)(void* self);
  IParamValueQueue* (*getParameterData)(void* self, std::int32_t index);
  IParamValueQueue* (*addParameterData)(void* self, const ParamID* id, std::int32_t* index);
};

struct IParameterChanges {
  const IParameterChangesVtbl* vtbl;
  static constexpr Iid iid = make_iid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
};

struct IEventListVtbl {
  FUnknownVtbl unknown;
  std::int32_t (*getEventCount)(void* self);
  tresult (*getEvent)(void* self, std::int32_t index, Event* e);
  tresult (*addEvent)(void* self, Event* e);
};

struct IEventList {
  const IEventListVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
};

struct ProcessData {
  std::int32_t processMode;
  std::int32_t symbolicSampleSize;
  std::int32_t numSamples;
  std::int32_t numInputs;
  std::int32_t numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

struct IComponentVtbl {
  IPluginBaseVtbl base;
  tresult (*getControllerClassId)(void* self, char* classId);
  tresult (*setIoMode)(void* self, std::int32_t mode);
  std::int32_t (*getBusCount)(void* self, std::int32_t type, std::int32_t dir);
  tresult (*getBusInfo)(void* self, std::int32_t type, std::int32_t dir, std::int32_t index,
                        BusInfo* bus);
  tresult (*getRoutingInfo)(void* self, RoutingInfo* inInfo, RoutingInfo* outInfo);
  tresult (*activateBus)(void* self, std::int32_t type, std::int32_t dir, std::int32_t index,
                         TBool state);
  tresult (*setActive)(void* self, TBool state);
  tresult (*setState)(void* self, IBStream* state);
  tresult (*getState)(void* self, IBStream* state);
};

struct IComponent {
  const IComponentVtbl* vtbl;
  static constexpr Iid iid = make_iid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
};

struct IAudioProcessorVtbl {
  FUnknownVtbl unknown;
  tresult (*setBusArrangements)(void* self, SpeakerArrangement* inputs, std::int32_t numIns,
                                SpeakerArrangement* outputs, std::int32_t numOuts);
  tresult (*getBusArrangement)(void* self, std::int32_t dir, std::int32_t index,
                               SpeakerArrangement* arr);
  tresult (*canProcessSampleSize)(void* self, std::int32_t symbolicSampleSize);
  std::uint32_t (*getLatencySamples)(void* self);
  tresult (*setupProcessing)(void* self, ProcessSetup* setup);
  tresult (*setProcessing)(void* self, TBool state);
  tresult (*process)(void* self, ProcessData* data);
  std::uint32_t (*getTailSamples)(void* self);
};

struct IAudioProcessor {
  const IAudioProcessorVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
};

struct IProcessContextRequirementsVtbl {
  FUnknownVtbl unknown;
  std::uint32_t (*getProcessContextRequirements)(void* self);
};

struct IProcessContextRequirements {
  const IProcessContextRequirementsVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
};

// Layout pins.
static_assert(sizeof(BusInfo) == 276 && alignof(BusInfo) == 4);
static_assert(offsetof(BusInfo, mediaType) == 0);
static_assert(offsetof(BusInfo, direction) == 4);
static_assert(offsetof(BusInfo, channelCount) == 8);
static_assert(offsetof(BusInfo, name) == 12);
static_assert(offsetof(BusInfo, busType) == 268);
static_assert(offsetof(BusInfo, flags) == 272);

static_assert(sizeof(RoutingInfo) == 12 && alignof(RoutingInfo) == 4);
static_assert(offsetof(RoutingInfo, mediaType) == 0);
static_assert(offsetof(RoutingInfo, busIndex) == 4);
static_assert(offsetof(RoutingInfo, channel) == 8);

static_assert(sizeof(ProcessSetup) == 24 && alignof(ProcessSetup) == 8);
static_assert(offsetof(ProcessSetup, processMode) == 0);
static_assert(offsetof(ProcessSetup, symbolicSampleSize) == 4);
static_assert(offsetof(ProcessSetup, maxSamplesPerBlock) == 8);
static_assert(offsetof(ProcessSetup, sampleRate) == 16);

static_assert(sizeof(AudioBusBuffers) == 24 && alignof(AudioBusBuffers) == 8);
static_assert(offsetof(AudioBusBuffers, numChannels) == 0);
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(offsetof(AudioBusBuffers, channelBuffers64) == 16);

static_assert(sizeof(Chord) == 4 && alignof(Chord) == 2);
static_assert(offsetof(Chord, keyNote) == 0);
static_assert(offsetof(Chord, rootNote) == 1);
static_assert(offsetof(Chord, chordMask) == 2);

static_assert(sizeof(FrameRate) == 8 && alignof(FrameRate) == 4);
static_assert(offsetof(FrameRate, framesPerSecond) == 0);
static_assert(offsetof(FrameRate, flags) == 4);

static_assert(sizeof(ProcessContext) == 112 && alignof(ProcessContext) == 8);
static_assert(offsetof(ProcessContext, state) == 0);
static_assert(offsetof(ProcessContext, sampleRate) == 8);
static_assert(offsetof(ProcessContext, projectTimeSamples) == 16);
static_assert(offsetof(ProcessContext, systemTime) == 24);
static_assert(offsetof(ProcessContext, continousTimeSamples) == 32);
static_assert(offsetof(ProcessContext, projectTimeMusic) == 40);
static_assert(offsetof(ProcessContext, barPositionMusic) == 48);
static_assert(offsetof(ProcessContext, cycleStartMusic) == 56);
static_assert(offsetof(ProcessContext, cycleEndMusic) == 64);
static_assert(offsetof(ProcessContext, tempo) == 72);
static_assert(offsetof(ProcessContext, timeSigNumerator) == 80);
static_assert(offsetof(ProcessContext, timeSigDenominator) == 84);
static_assert(offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, smpteOffsetSubframes) == 92);
static_assert(offsetof(ProcessContext, frameRate) == 96);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104);

static_assert(sizeof(Event) == 48 && alignof(Event) == 8);

static_assert(sizeof(ProcessData) == 80 && alignof(ProcessData) == 8);
static_assert(offsetof(ProcessData, processMode) == 0);
static_assert(offsetof(ProcessData, symbolicSampleSize) == 4);
static_assert(offsetof(ProcessData, numSamples) == 8);
static_assert(offsetof(ProcessData, numInputs) == 12);
static_assert(offsetof(ProcessData, numOutputs) == 16);
static_assert(offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, outputs) == 32);
static_assert(offsetof(ProcessData, inputParameterChanges) == 40);
static_assert(offsetof(ProcessData, outputParameterChanges) == 48);
static_assert(offsetof(ProcessData, inputEvents) == 56);
static_assert(offsetof(ProcessData, outputEvents) == 64);
static_assert(offsetof(ProcessData, processContext) == 72);

static_assert(sizeof(IParamValueQueueVtbl) == 7 * kSlot);
static_assert(offsetof(IParamValueQueueVtbl, getParameterId) == 3 * kSlot);
static_assert(offsetof(IParamValueQueueVtbl, getPointCount) == 4 * kSlot);
static_assert(offsetof(IParamValueQueueVtbl, getPoint) == 5 * kSlot);
static_assert(offsetof(IParamValueQueueVtbl, addPoint) == 6 * kSlot);
static_assert(sizeof(IParameterChangesVtbl) == 6 * kSlot);
static_assert(offsetof(IParameterChangesVtbl, getParameterCount) == 3 * kSlot);
static_assert(offsetof(IParameterChangesVtbl, getParameterData) == 4 * kSlot);
static_assert(offsetof(IParameterChangesVtbl, addParameterData) == 5 * kSlot);
static_assert(sizeof(IEventListVtbl) == 6 * kSlot);
static_assert(offsetof(IEventListVtbl, getEventCount) == 3 * kSlot);
static_assert(offsetof(IEventListVtbl, getEvent) == 4 * kSlot);
static_assert(offsetof(IEventListVtbl, addEvent) == 5 * kSlot);

static_assert(sizeof(IComponentVtbl) == 14 * kSlot);
static_assert(offsetof(IComponentVtbl, getControllerClassId) == 5 * kSlot);
static_assert(offsetof(IComponentVtbl, setIoMode) == 6 * kSlot);
static_assert(offsetof(IComponentVtbl, getBusCount) == 7 * kSlot);
static_assert(offsetof(IComponentVtbl, getBusInfo) == 8 * kSlot);
static_assert(offsetof(IComponentVtbl, getRoutingInfo) == 9 * kSlot);
static_assert(offsetof(IComponentVtbl, activateBus) == 10 * kSlot);
static_assert(offsetof(IComponentVtbl, setActive) == 11 * kSlot);
static_assert(offsetof(IComponentVtbl, setState) == 12 * kSlot);
static_assert(offsetof(IComponentVtbl, getState) == 13 * kSlot);

static_assert(sizeof(IAudioProcessorVtbl) == 11 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, setBusArrangements) == 3 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, getBusArrangement) == 4 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, canProcessSampleSize) == 5 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, getLatencySamples) == 6 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, setupProcessing) == 7 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, setProcessing) == 8 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, process) == 9 * kSlot);
static_assert(offsetof(IAudioProcessorVtbl, getTailSamples) == 10 * kSlot);

static_assert(sizeof(IProcessContextRequirementsVtbl) == 4 * kSlot);
static_assert(offsetof(IProcessContextRequirementsVtbl, getProcessContextRequirements) ==
              3 * kSlot);

}  // namespace vessimor::vst3::abi
