// The VST3 base interfaces as this project uses them: scalar types, result codes, interface ids,
// FUnknown, IPluginBase, IBStream and the plug-in factory with its class records. Written from the
// published binary layout of Linux and macOS (no COM compatibility, so ids are stored word by word,
// most significant byte first, and results are small integers); every record and function table
// is pinned below so that a compiler or edit that moves a field fails the build instead of a host.
//
// An interface is an object whose first word points to its function table (the Itanium C++ ABI:
// slots in declaration order, base interface first, no virtual destructor). Each table is declared
// as a record of function pointers that receive the interface pointer first, which is how that ABI
// passes `this`; a derived table begins with its base table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vessimor::vst3::abi {

using tresult = std::int32_t;
using TBool = std::uint8_t;
using ParamID = std::uint32_t;
using ParamValue = double;
using UnitID = std::int32_t;
using ProgramListID = std::int32_t;
using SpeakerArrangement = std::uint64_t;
using TSamples = std::int64_t;
using TQuarterNotes = double;
using String128 = char16_t[128];

inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;

// A 16-byte interface or class id, as hosts pass it (`const char*` to 16 raw bytes).
struct Iid {
  std::array<unsigned char, 16> bytes;

  // Thread: any
  const char* data() const noexcept { return reinterpret_cast<const char*>(bytes.data()); }
  // Whether the 16 bytes at `id` are this id; a null id matches nothing. Thread: any
  bool matches(const char* id) const noexcept {
    return id != nullptr && std::memcmp(id, bytes.data(), bytes.size()) == 0;
  }
  friend constexpr bool operator==(const Iid&, const Iid&) = default;
};

// The id of an interface declared by four 32-bit words.
constexpr Iid make_iid(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2,
                       std::uint32_t w3) noexcept {
  Iid id{};
  const std::uint32_t words[4] = {w0, w1, w2, w3};
  for (std::size_t w = 0; w < 4; ++w) {
    for (std::size_t b = 0; b < 4; ++b) {
      id.bytes[w * 4 + b] = static_cast<unsigned char>(words[w] >> (24 - 8 * b));
    }
  }
  return id;
}

struct FUnknown;

struct FUnknownVtbl {
  tresult (*queryInterface)(void* self, const char* iid, void** obj);
  std::uint32_t (*addRef)(void* self);
  std::uint32_t (*release)(void* self);
};

struct FUnknown {
  const FUnknownVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
};

struct IPluginBaseVtbl {
  FUnknownVtbl unknown;
  tresult (*initialize)(void* self, FUnknown* context);
  tresult (*terminate)(void* self);
};

struct IPluginBase {
  const IPluginBaseVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
};

// Host stream for saved states.
inline constexpr std::int32_t kIBSeekSet = 0;
inline constexpr std::int32_t kIBSeekCur = 1;
inline constexpr std::int32_t kIBSeekEnd = 2;

struct IBStreamVtbl {
  FUnknownVtbl unknown;
  tresult (*read)(void* self, void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead);
  tresult (*write)(void* self, void* buffer, std::int32_t numBytes, std::int32_t* numBytesWritten);
  tresult (*seek)(void* self, std::int64_t pos, std::int32_t mode, std::int64_t* result);
  tresult (*tell)(void* self, std::int64_t* pos);
};

struct IBStream {
  const IBStreamVtbl* vtbl;
  static constexpr Iid iid = make_iid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
};

// Factory and class information.
inline constexpr std::int32_t kManyInstances = 0x7FFFFFFF;
inline constexpr std::int32_t kFactoryNoFlags = 0;
inline constexpr std::int32_t kClassesDiscardable = 1 << 0;
inline constexpr std::int32_t kLicenseCheck = 1 << 1;
inline constexpr std::int32_t kComponentNonDiscardable = 1 << 3;
inline constexpr std::int32_t kUnicode = 1 << 4;
inline constexpr std::uint32_t kDistributable = 1 << 0;
inline constexpr std::uint32_t kSimpleModeSupported = 1 << 1;
inline constexpr char kVstAudioEffectClass[] = "Audio Module Class";

struct PFactoryInfo {
  char vendor[64];
  char url[256];
  char email[128];
  std::int32_t flags;
};

struct PClassInfo {
  char cid[16];
  std::int32_t cardinality;
  char category[32];
  char name[64];
};

struct PClassInfo2 {
  char cid[16];
  std::int32_t cardinality;
  char category[32];
  char name[64];
  std::uint32_t classFlags;
  char subCategories[128];
  char vendor[64];
  char version[64];
  char sdkVersion[64];
};

struct PClassInfoW {
  char cid[16];
  std::int32_t cardinality;
  char category[32];
  char16_t name[64];
  std::uint32_t classFlags;
  char subCategories[128];
  char16_t vendor[64];
  char16_t version[64];
  char16_t sdkVersion[64];
};

struct IPluginFactoryVtbl {
  FUnknownVtbl unknown;
  tresult (*getFactoryInfo)(void* self, PFactoryInfo* info);
  std::int32_t (*countClasses)(void* self);
  tresult (*getClassInfo)(void* self, std::int32_t index, PClassInfo* info);
  tresult (*createInstance)(void* self, const char* cid, const char* iid, void** obj);
};

struct IPluginFactory {
  const IPluginFactoryVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
};

struct IPluginFactory2Vtbl {
  IPluginFactoryVtbl factory;
  tresult (*getClassInfo2)(void* self, std::int32_t index, PClassInfo2* info);
};

struct IPluginFactory2 {
  const IPluginFactory2Vtbl* vtbl;
  static constexpr Iid iid = make_iid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
};

struct IPluginFactory3Vtbl {
  IPluginFactory2Vtbl factory2;
  tresult (*getClassInfoUnicode)(void* self, std::int32_t index, PClassInfoW* info);
  tresult (*setHostContext)(void* self, FUnknown* context);
};

struct IPluginFactory3 {
  const IPluginFactory3Vtbl* vtbl;
  static constexpr Iid iid = make_iid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
};

// Every interface pointer is an FUnknown: its table begins with the three FUnknown slots.
template <class Interface>
inline const FUnknownVtbl& unknown_of(Interface* object) noexcept {
  return *reinterpret_cast<const FUnknownVtbl* const*>(object)[0];
}

// Layout pins (LP64, identical on Linux x86_64 and macOS arm64).
inline constexpr std::size_t kSlot = sizeof(void*);
static_assert(kSlot == 8);

static_assert(sizeof(FUnknownVtbl) == 3 * kSlot);
static_assert(offsetof(FUnknownVtbl, queryInterface) == 0 * kSlot);
static_assert(offsetof(FUnknownVtbl, addRef) == 1 * kSlot);
static_assert(offsetof(FUnknownVtbl, release) == 2 * kSlot);
static_assert(sizeof(IPluginBaseVtbl) == 5 * kSlot);
static_assert(offsetof(IPluginBaseVtbl, initialize) == 3 * kSlot);
static_assert(offsetof(IPluginBaseVtbl, terminate) == 4 * kSlot);
static_assert(sizeof(IBStreamVtbl) == 7 * kSlot);
static_assert(offsetof(IBStreamVtbl, read) == 3 * kSlot);
static_assert(offsetof(IBStreamVtbl, write) == 4 * kSlot);
static_assert(offsetof(IBStreamVtbl, seek) == 5 * kSlot);
static_assert(offsetof(IBStreamVtbl, tell) == 6 * kSlot);
static_assert(sizeof(IPluginFactoryVtbl) == 7 * kSlot);
static_assert(offsetof(IPluginFactoryVtbl, getFactoryInfo) == 3 * kSlot);
static_assert(offsetof(IPluginFactoryVtbl, countClasses) == 4 * kSlot);
static_assert(offsetof(IPluginFactoryVtbl, getClassInfo) == 5 * kSlot);
static_assert(offsetof(IPluginFactoryVtbl, createInstance) == 6 * kSlot);
static_assert(sizeof(IPluginFactory2Vtbl) == 8 * kSlot);
static_assert(offsetof(IPluginFactory2Vtbl, getClassInfo2) == 7 * kSlot);
static_assert(sizeof(IPluginFactory3Vtbl) == 10 * kSlot);
static_assert(offsetof(IPluginFactory3Vtbl, getClassInfoUnicode) == 8 * kSlot);
static_assert(offsetof(IPluginFactory3Vtbl, setHostContext) == 9 * kSlot);

static_assert(sizeof(PFactoryInfo) == 452 && alignof(PFactoryInfo) == 4);
static_assert(offsetof(PFactoryInfo, vendor) == 0);
static_assert(offsetof(PFactoryInfo, url) == 64);
static_assert(offsetof(PFactoryInfo, email) == 320);
static_assert(offsetof(PFactoryInfo, flags) == 448);

static_assert(sizeof(PClassInfo) == 116 && alignof(PClassInfo) == 4);
static_assert(offsetof(PClassInfo, cid) == 0);
static_assert(offsetof(PClassInfo, cardinality) == 16);
static_assert(offsetof(PClassInfo, category) == 20);
static_assert(offsetof(PClassInfo, name) == 52);

static_assert(sizeof(PClassInfo2) == 440 && alignof(PClassInfo2) == 4);
static_assert(offsetof(PClassInfo2, cid) == 0);
static_assert(offsetof(PClassInfo2, cardinality) == 16);
static_assert(offsetof(PClassInfo2, category) == 20);
static_assert(offsetof(PClassInfo2, name) == 52);
static_assert(offsetof(PClassInfo2, classFlags) == 116);
static_assert(offsetof(PClassInfo2, subCategories) == 120);
static_assert(offsetof(PClassInfo2, vendor) == 248);
static_assert(offsetof(PClassInfo2, version) == 312);
static_assert(offsetof(PClassInfo2, sdkVersion) == 376);

static_assert(sizeof(PClassInfoW) == 696 && alignof(PClassInfoW) == 4);
static_assert(offsetof(PClassInfoW, cid) == 0);
static_assert(offsetof(PClassInfoW, cardinality) == 16);
static_assert(offsetof(PClassInfoW, category) == 20);
static_assert(offsetof(PClassInfoW, name) == 52);
static_assert(offsetof(PClassInfoW, classFlags) == 180);
static_assert(offsetof(PClassInfoW, subCategories) == 184);
static_assert(offsetof(PClassInfoW, vendor) == 312);
static_assert(offsetof(PClassInfoW, version) == 440);
static_assert(offsetof(PClassInfoW, sdkVersion) == 568);

}  // namespace vessimor::vst3::abi
