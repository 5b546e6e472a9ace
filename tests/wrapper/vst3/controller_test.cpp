// The edit controller: parameters as a host sees them, text both ways, automation from the main
// thread, the component handler and units of grouped parameters.
#include "wrapper/vst3/controller.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "tests/wrapper/vst3/test_instance.hpp"
#include "tools/vst3_host/host_objects.hpp"

namespace vessimor::test {
namespace {

using tools::vst3::ComponentHandler;

const std::uint32_t ENABLED = hash_param_id("enabled");
const std::uint32_t SHAPE = hash_param_id("shape");
constexpr abi::ParamID UNKNOWN = 0x7FFFFFFF;

TEST(Vst3Controller, ParameterInfoInHostOrder) {
  Vst3TestInstance instance;
  const auto& e = instance.e();
  abi::IEditController* controller = instance.controller();
  ASSERT_EQ(e.getParameterCount(controller), 4);

  abi::ParameterInfo info;
  std::memset(&info, 0xAB, sizeof info);
  ASSERT_EQ(e.getParameterInfo(controller, 0, &info), abi::kResultOk);
  EXPECT_EQ(info.id, GAIN);
  EXPECT_EQ(std::u16string(info.title), u"Gain");
  EXPECT_EQ(std::u16string(info.shortTitle), u"Gain");
  EXPECT_EQ(std::u16string(info.units), u"");
  EXPECT_EQ(info.stepCount, 0);
  EXPECT_EQ(info.defaultNormalizedValue, 0.5);
  EXPECT_EQ(info.unitId, abi::kRootUnitId);
  EXPECT_EQ(info.flags, abi::kCanAutomate);
  // Nothing of the earlier contents survives past the texts.
  EXPECT_EQ(info.title[std::size(info.title) - 1], 0);
  EXPECT_EQ(info.units[std::size(info.units) - 1], 0);

  ASSERT_EQ(e.getParameterInfo(controller, 1, &info), abi::kResultOk);
  EXPECT_EQ(info.id, COUNT);
  EXPECT_EQ(info.stepCount, 14);
  EXPECT_FLOAT_EQ(static_cast<float>(info.defaultNormalizedValue), 2.0F / 14.0F);
  ASSERT_EQ(e.getParameterInfo(controller, 2, &info), abi::kResultOk);
  EXPECT_EQ(info.stepCount, 1);
  EXPECT_EQ(info.defaultNormalizedValue, 1.0);
  ASSERT_EQ(e.getParameterInfo(controller, 3, &info), abi::kResultOk);
  EXPECT_EQ(info.id, SHAPE);
  EXPECT_EQ(info.stepCount, 4);

  for (const std::int32_t index : {4, -1, INT32_MIN}) {
    EXPECT_EQ(e.getParameterInfo(controller, index, &info), abi::kInvalidArgument) << index;
  }
  EXPECT_EQ(e.getParameterInfo(controller, 0, nullptr), abi::kInvalidArgument);
}

TEST(Vst3Controller, FlagsFromTheParametersOwnFlags) {
  using namespace param_flags;
  const std::array<std::pair<ParamFlags, std::int32_t>, 8> table = {{
      {0, 0x1},
      {HIDDEN, 0x12},
      {NON_AUTOMATABLE, 0},
      {NON_AUTOMATABLE | HIDDEN, 0x12},
      {BYPASS, 0x10001},
      {BYPASS | HIDDEN, 0x10012},
      {BYPASS | NON_AUTOMATABLE, 0x10000},
      {BYPASS | NON_AUTOMATABLE | HIDDEN, 0x10012},
  }};
  for (const auto& [flags, expected] : table) {
    EXPECT_EQ(vst3::parameter_info_flags(flags), expected) << flags;
  }
}

TEST(Vst3Controller, TextBothWays) {
  Vst3TestInstance instance;
  const auto& e = instance.e();
  abi::IEditController* controller = instance.controller();
  abi::String128 text{};
  ASSERT_EQ(e.getParamStringByValue(controller, SHAPE, 0.5, text), abi::kResultOk);
  EXPECT_EQ(std::u16string(text), u"Saw");
  ASSERT_EQ(e.getParamStringByValue(controller, COUNT, 0.5, text), abi::kResultOk);
  EXPECT_EQ(std::u16string(text), u"9");
  ASSERT_EQ(e.getParamStringByValue(controller, ENABLED, 0.0, text), abi::kResultOk);
  EXPECT_EQ(std::u16string(text), u"Off");
  EXPECT_EQ(e.getParamStringByValue(controller, UNKNOWN, 0.5, text), abi::kInvalidArgument);
  EXPECT_EQ(e.getParamStringByValue(controller, SHAPE, 0.5, nullptr), abi::kInvalidArgument);

  const auto parse = [&](abi::ParamID id, std::u16string typed, abi::ParamValue& value) {
    return e.getParamValueByString(controller, id, typed.data(), &value);
  };
  abi::ParamValue value = -1.0;
  ASSERT_EQ(parse(SHAPE, u"Square", value), abi::kResultOk);
  EXPECT_EQ(value, 0.75);
  ASSERT_EQ(parse(GAIN, u"1.5", value), abi::kResultOk);
  EXPECT_EQ(value, 0.75);
  // Infinity is the range's end; Unicode white space around the text is trimmed.
  ASSERT_EQ(parse(GAIN, u"\u00A0-inf\u3000", value), abi::kResultOk);
  EXPECT_EQ(value, 0.0);

  // Refused text leaves the host's value alone.
  value = -1.0;
  EXPECT_EQ(parse(SHAPE, u"square", value), abi::kResultFalse);
  EXPECT_EQ(parse(GAIN, u"nan", value), abi::kResultFalse);
  EXPECT_EQ(parse(GAIN, u"1\xD800", value), abi::kInvalidArgument);
  EXPECT_EQ(parse(GAIN, u"\xDC00", value), abi::kInvalidArgument);
  EXPECT_EQ(parse(UNKNOWN, u"1", value), abi::kInvalidArgument);
  EXPECT_EQ(e.getParamValueByString(controller, GAIN, nullptr, &value), abi::kInvalidArgument);
  std::u16string typed = u"1";
  EXPECT_EQ(e.getParamValueByString(controller, GAIN, typed.data(), nullptr),
            abi::kInvalidArgument);
  // Past the host's 128-unit field nothing is read: a text that does not end there is refused.
  std::array<char16_t, 129> unterminated;
  unterminated.fill(u'1');
  unterminated.back() = 0;
  EXPECT_EQ(e.getParamValueByString(controller, GAIN, unterminated.data(), &value),
            abi::kInvalidArgument);
  EXPECT_EQ(value, -1.0);
  // A pair outside the basic plane is one character: decoded, then not a choice.
  EXPECT_EQ(parse(SHAPE, u"S\U0001F600", value), abi::kResultFalse);
}

TEST(Vst3Controller, ValuesAndUnknownIds) {
  Vst3TestInstance instance;
  const auto& e = instance.e();
  abi::IEditController* controller = instance.controller();
  EXPECT_EQ(e.normalizedParamToPlain(controller, COUNT, 0.5), 9.0);
  EXPECT_EQ(e.normalizedParamToPlain(controller, GAIN, 0.25), 0.5);
  EXPECT_EQ(e.plainParamToNormalized(controller, GAIN, 0.5), 0.25);
  EXPECT_EQ(e.plainParamToNormalized(controller, SHAPE, 3.0), 0.75);
  EXPECT_EQ(e.normalizedParamToPlain(controller, UNKNOWN, 0.3), 0.3);
  EXPECT_EQ(e.plainParamToNormalized(controller, UNKNOWN, 7.0), 7.0);
  EXPECT_EQ(e.getParamNormalized(controller, UNKNOWN), 0.5);

  ASSERT_EQ(e.setParamNormalized(controller, GAIN, 0.25), abi::kResultOk);
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);
  EXPECT_EQ(e.getParamNormalized(controller, GAIN), 0.25);
  EXPECT_EQ(e.setParamNormalized(controller, UNKNOWN, 0.25), abi::kInvalidArgument);

  // While the host processes, automation arrives through process alone.
  instance.start();
  EXPECT_EQ(e.setParamNormalized(controller, GAIN, 1.0), abi::kResultOk);
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);

  // The controller's own state calls have nothing to do.
  tools::vst3::MemoryStream stream;
  EXPECT_EQ(e.setComponentState(controller, stream.stream()), abi::kResultOk);
  EXPECT_EQ(e.setState(controller, stream.stream()), abi::kResultOk);
  EXPECT_EQ(e.getState(controller, stream.stream()), abi::kResultOk);
  EXPECT_TRUE(stream.bytes().empty());
}

TEST(Vst3Controller, ComponentHandlerIsHeldUntilReplaced) {
  ComponentHandler first;
  ComponentHandler second;
  {
    Vst3TestInstance instance;
    const auto& e = instance.e();
    abi::IEditController* controller = instance.controller();
    ASSERT_EQ(e.setComponentHandler(controller, first.handler()), abi::kResultOk);
    EXPECT_EQ(first.borrowed(), 1u);
    ASSERT_EQ(e.setComponentHandler(controller, second.handler()), abi::kResultOk);
    EXPECT_EQ(first.borrowed(), 0u);
    EXPECT_EQ(second.borrowed(), 1u);
    ASSERT_EQ(e.setComponentHandler(controller, nullptr), abi::kResultOk);
    EXPECT_EQ(second.borrowed(), 0u);
    ASSERT_EQ(e.setComponentHandler(controller, second.handler()), abi::kResultOk);
  }
  // Let go of with the instance.
  EXPECT_EQ(second.borrowed(), 0u);
}

// The test plug-in with its parameters in groups: "gain" at the top, "count" in "Voices",
// "enabled" and "shape" in "Voices/Motion".
class GroupedParams final : public Params {
 public:
  explicit GroupedParams(std::shared_ptr<TestParams> params) : params_(std::move(params)) {}
  // Thread: any
  ParamMap param_map() const override {
    ParamMap map = params_->param_map();
    map[1].group = "Voices";
    map[2].group = "Voices/Motion";
    map[3].group = "Voices/Motion";
    return map;
  }
  // Thread: any
  PersistentFields serialize_fields() const override { return {}; }
  // Thread: any
  void deserialize_fields(const PersistentFields& /*fields*/) override {}

 private:
  std::shared_ptr<TestParams> params_;
};

class GroupedPlugin final : public TestPlugin {
 public:
  static constexpr std::array<std::uint8_t, 16> VST3_CLASS_ID = Vst3TestPlugin::VST3_CLASS_ID;
  static constexpr std::span<const Vst3SubCategory> VST3_SUBCATEGORIES = TEST_SUBCATEGORIES;
  // Thread: any
  std::shared_ptr<Params> params() const override { return grouped_; }

 private:
  std::shared_ptr<GroupedParams> grouped_ =
      std::make_shared<GroupedParams>(std::static_pointer_cast<TestParams>(TestPlugin::params()));
};

TEST(Vst3Controller, UnitsOfGroupedParameters) {
  using GroupedWrapper = vst3::Wrapper<GroupedPlugin>;
  GroupedWrapper* wrapper = GroupedWrapper::create(vst3::WrapperInner<GroupedPlugin>::create());
  auto* units = static_cast<abi::IUnitInfo*>(wrapper->face(GroupedWrapper::UNIT_INFO));
  auto* controller =
      static_cast<abi::IEditController*>(wrapper->face(GroupedWrapper::EDIT_CONTROLLER));
  const auto& u = *units->vtbl;
  ASSERT_EQ(u.getUnitCount(units), 2);

  abi::UnitInfo info;
  std::memset(&info, 0xAB, sizeof info);
  ASSERT_EQ(u.getUnitInfo(units, 1, &info), abi::kResultOk);
  EXPECT_EQ(info.id, 2);
  EXPECT_EQ(info.parentUnitId, 1);
  EXPECT_EQ(std::u16string(info.name), u"Motion");
  EXPECT_EQ(info.programListId, abi::kNoProgramListId);
  // A negative index never reads before the list.
  for (const std::int32_t index : {2, -1, -2, INT32_MIN}) {
    EXPECT_EQ(u.getUnitInfo(units, index, &info), abi::kInvalidArgument) << index;
  }
  EXPECT_EQ(u.getUnitInfo(units, 0, nullptr), abi::kInvalidArgument);

  abi::ParameterInfo param{};
  const std::array<abi::UnitID, 4> expected = {0, 1, 2, 2};
  for (std::int32_t index = 0; index < 4; ++index) {
    ASSERT_EQ(controller->vtbl->getParameterInfo(controller, index, &param), abi::kResultOk);
    EXPECT_EQ(param.unitId, expected[static_cast<std::size_t>(index)]) << index;
  }
  EXPECT_EQ(wrapper->release(), 0u);
}

}  // namespace
}  // namespace vessimor::test
