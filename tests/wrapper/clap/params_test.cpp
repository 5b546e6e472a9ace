// The parameter extension: infos, values, text both ways, flush.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::test {
namespace {

TEST(ClapParams, InfosInMapOrderWithHostRanges) {
  Instance instance;
  const clap_plugin_params& params = instance.params();
  ASSERT_EQ(params.count(instance.plugin), 4u);
  clap_param_info info;
  std::memset(&info, 0xAB, sizeof(info));

  ASSERT_TRUE(params.get_info(instance.plugin, 0, &info));
  EXPECT_EQ(info.id, GAIN_ID);
  EXPECT_STREQ(info.name, "Gain");
  EXPECT_STREQ(info.module, "");
  EXPECT_EQ(info.cookie, nullptr);
  EXPECT_EQ(info.flags, CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_MODULATABLE);
  EXPECT_EQ(info.min_value, 0.0);
  EXPECT_EQ(info.max_value, 1.0);
  EXPECT_DOUBLE_EQ(info.default_value, 0.5);

  ASSERT_TRUE(params.get_info(instance.plugin, 1, &info));
  EXPECT_EQ(info.id, COUNT_ID);
  EXPECT_EQ(info.flags,
            CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_MODULATABLE | CLAP_PARAM_IS_STEPPED);
  EXPECT_EQ(info.max_value, 14.0);
  EXPECT_NEAR(info.default_value, 2.0, 1e-6);

  ASSERT_TRUE(params.get_info(instance.plugin, 2, &info));
  EXPECT_EQ(info.max_value, 1.0);
  EXPECT_EQ(info.default_value, 1.0);
  ASSERT_TRUE(params.get_info(instance.plugin, 3, &info));
  EXPECT_EQ(info.id, SHAPE_ID);
  EXPECT_EQ(info.max_value, 4.0);

  EXPECT_FALSE(params.get_info(instance.plugin, 4, &info));
  EXPECT_FALSE(params.get_info(instance.plugin, 0, nullptr));
}

TEST(ClapParams, ValuesAndTextBothWays) {
  Instance instance;
  const clap_plugin_params& params = instance.params();
  char text[64];
  ASSERT_TRUE(params.value_to_text(instance.plugin, SHAPE_ID, 2.0, text, sizeof(text)));
  EXPECT_STREQ(text, "Saw");
  ASSERT_TRUE(params.value_to_text(instance.plugin, ENABLED_ID, 1.0, text, sizeof(text)));
  EXPECT_STREQ(text, "On");
  ASSERT_TRUE(params.value_to_text(instance.plugin, COUNT_ID, 7.0, text, sizeof(text)));
  EXPECT_STREQ(text, "9");
  // Cut to the host's buffer, always terminated.
  ASSERT_TRUE(params.value_to_text(instance.plugin, SHAPE_ID, 1.0, text, 4));
  EXPECT_STREQ(text, "Tri");
  EXPECT_FALSE(params.value_to_text(instance.plugin, 42, 1.0, text, sizeof(text)));
  EXPECT_FALSE(params.value_to_text(instance.plugin, SHAPE_ID, 1.0, nullptr, 4));

  double value = -1.0;
  ASSERT_TRUE(params.text_to_value(instance.plugin, COUNT_ID, "9", &value));
  EXPECT_NEAR(value, 7.0, 1e-5);
  ASSERT_TRUE(params.value_to_text(instance.plugin, COUNT_ID, value, text, sizeof(text)));
  EXPECT_STREQ(text, "9");
  ASSERT_TRUE(params.text_to_value(instance.plugin, SHAPE_ID, "Square", &value));
  EXPECT_DOUBLE_EQ(value, 3.0);
  ASSERT_TRUE(params.text_to_value(instance.plugin, GAIN_ID, "1.5", &value));
  EXPECT_DOUBLE_EQ(value, 0.75);
  // Infinity is the range's end; Unicode white space around the text is trimmed.
  ASSERT_TRUE(params.text_to_value(instance.plugin, GAIN_ID, "\u00A0inf\u3000", &value));
  EXPECT_DOUBLE_EQ(value, 1.0);

  value = -1.0;
  EXPECT_FALSE(params.text_to_value(instance.plugin, SHAPE_ID, "square", &value));
  EXPECT_FALSE(params.text_to_value(instance.plugin, GAIN_ID, "\xff\xfe", &value));
  EXPECT_FALSE(params.text_to_value(instance.plugin, GAIN_ID, "nan", &value));
  EXPECT_FALSE(params.text_to_value(instance.plugin, 42, "1", &value));
  EXPECT_FALSE(params.text_to_value(instance.plugin, GAIN_ID, nullptr, &value));
  EXPECT_EQ(value, -1.0);

  EXPECT_FALSE(params.get_value(instance.plugin, 42, &value));
  EXPECT_FALSE(params.get_value(instance.plugin, GAIN_ID, nullptr));
  ASSERT_TRUE(params.get_value(instance.plugin, ENABLED_ID, &value));
  EXPECT_EQ(value, 1.0);
}

TEST(ClapParams, FlushAppliesHostEventsAndSendsEditorEvents) {
  Instance instance;
  const clap_plugin_params& params = instance.params();
  params.flush(instance.plugin, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.5);

  EventList in;
  in.param_value(999, GAIN_ID, 0.25);  // flush ignores times
  in.param_value(0, SHAPE_ID, 4.0);
  in.param_value(0, COUNT_ID, std::numeric_limits<double>::infinity());
  params.flush(instance.plugin, in.get(), nullptr);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.25);
  EXPECT_DOUBLE_EQ(instance.value_of(SHAPE_ID), 4.0);
  EXPECT_NEAR(instance.value_of(COUNT_ID), 2.0, 1e-6);

  // Without activation there is no sample rate; modulation still shows in the value.
  EventList mod;
  mod.param_mod(0, GAIN_ID, 0.5);
  params.flush(instance.plugin, mod.get(), nullptr);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.75);
}

}  // namespace
}  // namespace vessimor::test
