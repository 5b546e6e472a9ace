// The factory as a host sees it: faces, reference counting and the class records byte for byte.
#include "wrapper/vst3/factory.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/vessimor.hpp"

namespace vessimor::vst3 {
namespace {

using VessimorFactory = Factory<Vessimor>;

// A factory face that is released when the test ends.
struct FactoryRef {
  abi::IPluginFactory* factory = VessimorFactory::create();
  ~FactoryRef() {
    if (factory != nullptr) abi::unknown_of(factory).release(factory);
  }
  abi::IPluginFactory* operator->() const { return factory; }
};

void put(char* field, const char* text) {
  std::strcpy(field, text);
}
void put(char16_t* field, const char16_t* text) {
  while ((*field++ = *text++) != u'\0') {
  }
}

// What every class record starts with.
template <class Record>
Record expected_basics() {
  Record record;
  std::memset(&record, 0, sizeof record);
  std::memcpy(record.cid, "QuoVessimorUnit", 16);
  record.cardinality = 0x7FFFFFFF;
  put(record.category, "Audio Module Class");
  return record;
}

TEST(Vst3Factory, EachCallBuildsItsOwnFactory) {
  FactoryRef first;
  FactoryRef second;
  EXPECT_NE(first.factory, second.factory);
  EXPECT_EQ(first->vtbl->countClasses(first.factory), 1);
}

TEST(Vst3Factory, FacesShareOneCountAndAnswerOnlyFactoryInterfaces) {
  FactoryRef ref;
  abi::IPluginFactory* factory = ref.factory;
  const abi::FUnknownVtbl& unknown = abi::unknown_of(factory);
  void* third = nullptr;
  ASSERT_EQ(unknown.queryInterface(factory, abi::IPluginFactory3::iid.data(), &third),
            abi::kResultOk);
  ASSERT_NE(third, nullptr);
  EXPECT_NE(third, static_cast<void*>(factory));
  // The query added one reference: adding one more reads 3 from any face.
  EXPECT_EQ(abi::unknown_of(static_cast<abi::IPluginFactory3*>(third)).addRef(third), 3u);
  EXPECT_EQ(unknown.release(factory), 2u);

  void* back = nullptr;
  const abi::FUnknownVtbl& third_unknown =
      abi::unknown_of(static_cast<abi::IPluginFactory3*>(third));
  ASSERT_EQ(third_unknown.queryInterface(third, abi::FUnknown::iid.data(), &back), abi::kResultOk);
  EXPECT_EQ(back, static_cast<void*>(factory));
  void* second = nullptr;
  ASSERT_EQ(third_unknown.queryInterface(third, abi::IPluginFactory2::iid.data(), &second),
            abi::kResultOk);
  EXPECT_NE(second, back);
  EXPECT_NE(second, third);

  void* none = factory;
  EXPECT_EQ(unknown.queryInterface(factory, abi::IComponent::iid.data(), &none), abi::kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(unknown.release(factory), 3u);  // back
  EXPECT_EQ(unknown.release(factory), 2u);  // second
  EXPECT_EQ(unknown.release(factory), 1u);  // third
}

TEST(Vst3Factory, FactoryInfoDeclaresUnicodeTexts) {
  FactoryRef factory;
  EXPECT_EQ(factory->vtbl->getFactoryInfo(factory.factory, nullptr), abi::kInvalidArgument);
  abi::PFactoryInfo expected;
  std::memset(&expected, 0, sizeof expected);
  put(expected.vendor, "Quorvane");
  put(expected.url, "https://quorvane.com");
  put(expected.email, "support@quorvane.com");
  expected.flags = 16;
  abi::PFactoryInfo info;
  std::memset(&info, 0xAB, sizeof info);
  ASSERT_EQ(factory->vtbl->getFactoryInfo(factory.factory, &info), abi::kResultOk);
  EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0);
}

TEST(Vst3Factory, ClassRecordsHoldExactlyTheClassTexts) {
  FactoryRef ref;
  abi::IPluginFactory* factory = ref.factory;

  auto expected = expected_basics<abi::PClassInfo>();
  put(expected.name, "Vessimor");
  abi::PClassInfo info;
  std::memset(&info, 0xAB, sizeof info);
  ASSERT_EQ(factory->vtbl->getClassInfo(factory, 0, &info), abi::kResultOk);
  EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0);

  void* face = nullptr;
  ASSERT_EQ(
      abi::unknown_of(factory).queryInterface(factory, abi::IPluginFactory3::iid.data(), &face),
      abi::kResultOk);
  auto* factory3 = static_cast<abi::IPluginFactory3*>(face);

  auto expected2 = expected_basics<abi::PClassInfo2>();
  put(expected2.name, "Vessimor");
  expected2.classFlags = 2;
  put(expected2.subCategories, "Fx|Distortion");
  put(expected2.vendor, "Quorvane");
  put(expected2.version, "0.1.0");
  put(expected2.sdkVersion, "VST 3.6.14");
  abi::PClassInfo2 info2;
  std::memset(&info2, 0xAB, sizeof info2);
  ASSERT_EQ(factory3->vtbl->factory2.getClassInfo2(factory3, 0, &info2), abi::kResultOk);
  EXPECT_EQ(std::memcmp(&info2, &expected2, sizeof info2), 0);

  auto expected_w = expected_basics<abi::PClassInfoW>();
  put(expected_w.name, u"Vessimor");
  expected_w.classFlags = 2;
  put(expected_w.subCategories, "Fx|Distortion");
  put(expected_w.vendor, u"Quorvane");
  put(expected_w.version, u"0.1.0");
  put(expected_w.sdkVersion, u"VST 3.6.14");
  abi::PClassInfoW info_w;
  std::memset(&info_w, 0xAB, sizeof info_w);
  ASSERT_EQ(factory3->vtbl->getClassInfoUnicode(factory3, 0, &info_w), abi::kResultOk);
  EXPECT_EQ(std::memcmp(&info_w, &expected_w, sizeof info_w), 0);
  EXPECT_EQ(factory3->vtbl->setHostContext(factory3, nullptr), abi::kResultOk);

  // Only class 0 exists; a refused call leaves the record as it was.
  std::memset(&info, 0xAB, sizeof info);
  const abi::PClassInfo untouched = info;
  EXPECT_EQ(factory->vtbl->getClassInfo(factory, 1, &info), abi::kInvalidArgument);
  EXPECT_EQ(factory->vtbl->getClassInfo(factory, -1, &info), abi::kInvalidArgument);
  EXPECT_EQ(factory3->vtbl->factory2.getClassInfo2(factory3, 1, &info2), abi::kInvalidArgument);
  EXPECT_EQ(factory3->vtbl->getClassInfoUnicode(factory3, 1, &info_w), abi::kInvalidArgument);
  EXPECT_EQ(factory->vtbl->getClassInfo(factory, 0, nullptr), abi::kInvalidArgument);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  abi::unknown_of(factory3).release(factory3);
}

}  // namespace
}  // namespace vessimor::vst3
