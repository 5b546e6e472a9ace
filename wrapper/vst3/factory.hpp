// The VST3 plug-in factory: describes the one plug-in class and creates its instances. A new
// factory is built for every GetPluginFactory call and lives until its last release.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "framework/panic.hpp"
#include "framework/plugin.hpp"
#include "framework/util/strlcpy.hpp"
#include "platform/vst3/vst3.hpp"
#include "wrapper/vst3/com.hpp"
#include "wrapper/vst3/inner.hpp"
#include "wrapper/vst3/util.hpp"
#include "wrapper/vst3/wrapper.hpp"

namespace vessimor::vst3 {

// The SDK version text the class information names.
inline constexpr std::string_view SDK_VERSION = "VST 3.6.14";

// The texts that describe the plug-in class.
struct PluginInfo {
  std::array<std::uint8_t, 16> cid{};
  std::string_view name;
  std::string_view vendor;
  std::string_view version;
  std::string_view url;
  std::string_view email;
  std::string subcategories;
};

template <Vst3Plugin P>
class Factory {
 public:
  enum Face : std::size_t { FACTORY = 0, FACTORY2, FACTORY3, FACE_COUNT };

  // A new factory with one reference, as GetPluginFactory hands it out. Thread: any
  static abi::IPluginFactory* create() {
    static_assert(std::is_standard_layout_v<Factory>, "the faces must start the object");
    auto* factory = new Factory();
    return static_cast<abi::IPluginFactory*>(factory->faces_.template face<FACTORY>());
  }

  Factory(const Factory&) = delete;
  Factory& operator=(const Factory&) = delete;

  // Thread: any
  const PluginInfo& info() const noexcept { return info_; }

  // Thread: any
  abi::tresult query_interface(const char* iid, void** obj) noexcept {
    if (obj == nullptr) return abi::kInvalidArgument;
    void* found = nullptr;
    if (abi::FUnknown::iid.matches(iid) || abi::IPluginFactory::iid.matches(iid)) {
      found = faces_.template face<FACTORY>();
    } else if (abi::IPluginFactory2::iid.matches(iid)) {
      found = faces_.template face<FACTORY2>();
    } else if (abi::IPluginFactory3::iid.matches(iid)) {
      found = faces_.template face<FACTORY3>();
    }
    return answer_query(found, iid, obj, ref_count_);
  }

  // Builds an instance and stores the face for `iid` with one reference. A null or foreign class
  // id, a null result pointer or an interface the instance does not offer give kInvalidArgument
  // and build nothing. Thread: any (hosts use the main thread)
  abi::tresult create_instance(const char* cid, const char* iid, void** obj) {
    if (obj == nullptr) return abi::kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || std::memcmp(cid, info_.cid.data(), info_.cid.size()) != 0) {
      return abi::kInvalidArgument;
    }
    const std::optional<typename Wrapper<P>::Face> face = Wrapper<P>::face_for(iid);
    if (!face) return abi::kInvalidArgument;
    Wrapper<P>* wrapper = Wrapper<P>::create(WrapperInner<P>::create());
    *obj = wrapper->face(*face);
    return abi::kResultOk;
  }

 private:
  Factory() {
    faces_.tables[FACTORY] = &FACTORY_TABLE;
    faces_.tables[FACTORY2] = &FACTORY2_TABLE;
    faces_.tables[FACTORY3] = &FACTORY3_TABLE;
    info_.cid = P::VST3_CLASS_ID;
    info_.name = P::NAME;
    info_.vendor = P::VENDOR;
    info_.version = P::VERSION;
    info_.url = P::URL;
    info_.email = P::SUPPORT_EMAIL;
    info_.subcategories = make_subcategories_string(P::VST3_SUBCATEGORIES);
  }
  ~Factory() = default;

  template <class, std::size_t>
  friend struct UnknownSlots;

  std::uint32_t add_ref() noexcept { return ref_count_.add(); }
  std::uint32_t release() noexcept {
    const std::uint32_t left = ref_count_.remove();
    if (left == 0) delete this;
    return left;
  }

  // The fields every class record shares.
  template <class Record>
  void fill_class_basics(Record& record) const {
    std::memcpy(record.cid, info_.cid.data(), sizeof record.cid);
    record.cardinality = abi::kManyInstances;
    util::strlcpy(record.category, sizeof record.category, abi::kVstAudioEffectClass);
  }

  // Runs `work(Factory&)` for the object behind face I; see with_owner.
  template <Face I, class R, class F>
  static R with(void* self, R fallback, F&& work) noexcept {
    return with_owner<Factory, I>(self, fallback, std::forward<F>(work));
  }

  template <Face I>
  static abi::tresult c_get_factory_info(void* self, abi::PFactoryInfo* info) noexcept {
    return with<I>(self, abi::kInvalidArgument, [info](Factory& factory) {
      if (info == nullptr) return abi::kInvalidArgument;
      std::memset(info, 0, sizeof *info);
      util::strlcpy(info->vendor, sizeof info->vendor, factory.info_.vendor);
      util::strlcpy(info->url, sizeof info->url, factory.info_.url);
      util::strlcpy(info->email, sizeof info->email, factory.info_.email);
      info->flags = abi::kUnicode;
      return abi::kResultOk;
    });
  }

  template <Face I>
  static abi::tresult c_get_class_info(void* self, std::int32_t index,
                                       abi::PClassInfo* info) noexcept {
    return with<I>(self, abi::kInvalidArgument, [&](Factory& factory) {
      if (index != 0 || info == nullptr) return abi::kInvalidArgument;
      std::memset(info, 0, sizeof *info);
      factory.fill_class_basics(*info);
      util::strlcpy(info->name, sizeof info->name, factory.info_.name);
      return abi::kResultOk;
    });
  }

  template <Face I>
  static abi::tresult c_create_instance(void* self, const char* cid, const char* iid,
                                        void** obj) noexcept {
    return with<I>(self, abi::kInvalidArgument,
                   [&](Factory& factory) { return factory.create_instance(cid, iid, obj); });
  }

  template <Face I>
  static abi::tresult c_get_class_info2(void* self, std::int32_t index,
                                        abi::PClassInfo2* info) noexcept {
    return with<I>(self, abi::kInvalidArgument, [&](Factory& factory) {
      if (index != 0 || info == nullptr) return abi::kInvalidArgument;
      const PluginInfo& plugin = factory.info_;
      std::memset(info, 0, sizeof *info);
      factory.fill_class_basics(*info);
      util::strlcpy(info->name, sizeof info->name, plugin.name);
      info->classFlags = abi::kSimpleModeSupported;
      util::strlcpy(info->subCategories, sizeof info->subCategories, plugin.subcategories);
      util::strlcpy(info->vendor, sizeof info->vendor, plugin.vendor);
      util::strlcpy(info->version, sizeof info->version, plugin.version);
      util::strlcpy(info->sdkVersion, sizeof info->sdkVersion, SDK_VERSION);
      return abi::kResultOk;
    });
  }

  template <Face I>
  static abi::tresult c_get_class_info_unicode(void* self, std::int32_t index,
                                               abi::PClassInfoW* info) noexcept {
    return with<I>(self, abi::kInvalidArgument, [&](Factory& factory) {
      if (index != 0 || info == nullptr) return abi::kInvalidArgument;
      const PluginInfo& plugin = factory.info_;
      std::memset(info, 0, sizeof *info);
      factory.fill_class_basics(*info);
      util::u16strlcpy(info->name, std::size(info->name), plugin.name);
      info->classFlags = abi::kSimpleModeSupported;
      util::strlcpy(info->subCategories, sizeof info->subCategories, plugin.subcategories);
      util::u16strlcpy(info->vendor, std::size(info->vendor), plugin.vendor);
      util::u16strlcpy(info->version, std::size(info->version), plugin.version);
      util::u16strlcpy(info->sdkVersion, std::size(info->sdkVersion), SDK_VERSION);
      return abi::kResultOk;
    });
  }

  // The factory keeps nothing of the host's context.
  static abi::tresult c_set_host_context(void* /*self*/, abi::FUnknown* /*context*/) noexcept {
    return abi::kResultOk;
  }

  template <Face I>
  static constexpr abi::IPluginFactoryVtbl FACTORY_SLOTS{
      UnknownSlots<Factory, I>::TABLE, &c_get_factory_info<I>,
      &answer<std::int32_t{1}>,        &c_get_class_info<I>,
      &c_create_instance<I>,
  };
  template <Face I>
  static constexpr abi::IPluginFactory2Vtbl FACTORY2_SLOTS{FACTORY_SLOTS<I>, &c_get_class_info2<I>};

  static constexpr abi::IPluginFactoryVtbl FACTORY_TABLE = FACTORY_SLOTS<FACTORY>;
  static constexpr abi::IPluginFactory2Vtbl FACTORY2_TABLE = FACTORY2_SLOTS<FACTORY2>;
  static constexpr abi::IPluginFactory3Vtbl FACTORY3_TABLE{
      FACTORY2_SLOTS<FACTORY3>, &c_get_class_info_unicode<FACTORY3>, &c_set_host_context};

  Faces<FACE_COUNT> faces_;
  RefCount ref_count_;
  PluginInfo info_;
};

}  // namespace vessimor::vst3
