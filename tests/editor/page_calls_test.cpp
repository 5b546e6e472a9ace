#include "editor/page_calls.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace vessimor {
namespace {

TEST(PageCalls, NumbersAreShortestJavaScriptNumbers) {
  EXPECT_EQ(page_calls::number(1.0f), "1");
  EXPECT_EQ(page_calls::number(120.0f), "120");
  EXPECT_EQ(page_calls::number(128.5f), "128.5");
  EXPECT_EQ(page_calls::number(0.5f), "0.5");
  EXPECT_EQ(page_calls::number(0.3f), "0.3");
  EXPECT_EQ(page_calls::number(0.1f), "0.1");
  EXPECT_EQ(page_calls::number(0.0f), "0");
  EXPECT_EQ(page_calls::number(1e-7f), "0.0000001");  // never exponent form
  EXPECT_EQ(page_calls::number(std::numeric_limits<float>::quiet_NaN()), "NaN");
  EXPECT_EQ(page_calls::number(-std::numeric_limits<float>::quiet_NaN()), "NaN");
  // inf and -inf are not JavaScript: the page would throw and lose the call.
  EXPECT_EQ(page_calls::number(std::numeric_limits<float>::infinity()), "Infinity");
  EXPECT_EQ(page_calls::number(-std::numeric_limits<float>::infinity()), "-Infinity");
}

TEST(PageCalls, TemplatesAreByteExact) {
  EXPECT_EQ(page_calls::update_param("mix", 1.0f),
            "if (window._updateParam) window._updateParam('mix', 1);");
  EXPECT_EQ(page_calls::update_param("carrier_freq", 0.1f),
            "if (window._updateParam) window._updateParam('carrier_freq', 0.1);");
  EXPECT_EQ(page_calls::update_transport(120.0f, true),
            "if (window._updateTransport) window._updateTransport(120, true);");
  EXPECT_EQ(page_calls::update_transport(128.5f, false),
            "if (window._updateTransport) window._updateTransport(128.5, false);");
  EXPECT_EQ(page_calls::handle_custom_message("preset_loaded", "Robot Voice"),
            "if (window._handleCustomMessage) window._handleCustomMessage('preset_loaded', "
            "'Robot Voice');");
  EXPECT_EQ(page_calls::ipc_ready(), "if (window._ipcReady) window._ipcReady();");
  EXPECT_EQ(page_calls::ipc_ready().size(), 41u);
  EXPECT_EQ(page_calls::set_current_preset_name("Init"),
            "if (window._setCurrentPresetName) window._setCurrentPresetName('Init');");
  EXPECT_EQ(page_calls::update_param("gain", std::numeric_limits<float>::infinity()),
            "if (window._updateParam) window._updateParam('gain', Infinity);");
}

TEST(PageCalls, PayloadQuotingEscapesFourCharactersInOrder) {
  // i t ' s <blank> a \ b: eight characters become ten.
  const std::string payload = "it's a\\b";
  ASSERT_EQ(payload.size(), 8u);
  EXPECT_EQ(page_calls::quote_payload(payload), "it\\'s a\\\\b");
  EXPECT_EQ(page_calls::quote_payload(payload).size(), 10u);
  EXPECT_EQ(page_calls::quote_payload("a\r\nb"), "a\\r\\nb");
  // Backslashes added for quotes and line breaks are not doubled again.
  EXPECT_EQ(page_calls::quote_payload("\\'\n"), "\\\\\\'\\n");
  EXPECT_EQ(page_calls::quote_payload("\"tab\t\xc3\xa9"), "\"tab\t\xc3\xa9");
  EXPECT_EQ(page_calls::handle_custom_message("preset_error", "IO error: x\ny"),
            "if (window._handleCustomMessage) window._handleCustomMessage('preset_error', "
            "'IO error: x\\ny');");
}

TEST(PageCalls, OnlyThePayloadAndPresetNameAreQuoted) {
  EXPECT_EQ(page_calls::update_param("it's\\", 0.5f),
            "if (window._updateParam) window._updateParam('it's\\', 0.5);");
  EXPECT_EQ(page_calls::handle_custom_message("a'\\", "x"),
            "if (window._handleCustomMessage) window._handleCustomMessage('a'\\', 'x');");
  EXPECT_EQ(page_calls::set_current_preset_name("O'Brien"),
            "if (window._setCurrentPresetName) window._setCurrentPresetName('O\\'Brien');");
  EXPECT_EQ(page_calls::quote_preset_name("a\\'b"), "a\\\\\\'b");
}

}  // namespace
}  // namespace vessimor
