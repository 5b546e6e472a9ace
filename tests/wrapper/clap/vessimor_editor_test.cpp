// The effect's own editor in the CLAP wrapper: page messages, sent through the web view
// stand-in, reach the host as events, and host changes reach the page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/params/range.hpp"
#include "platform/apple/sim.hpp"
#include "plugin/vessimor.hpp"
#include "tests/wrapper/clap/fake_host.hpp"
#include "wrapper/clap/entry.hpp"

namespace vessimor::test {
namespace {

namespace sim = apple::sim;
using VessimorFactory = clap::Factory<Vessimor>;
using ::testing::ElementsAre;

class ClapVessimorEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin_ = VessimorFactory::create_plugin(&VessimorFactory::RECORD, &host_.host,
                                             std::string(Vessimor::CLAP_ID).c_str());
    ASSERT_NE(plugin_, nullptr);
    ASSERT_TRUE(plugin_->init(plugin_));
    gui_ = static_cast<const clap_plugin_gui*>(plugin_->get_extension(plugin_, CLAP_EXT_GUI));
    params_ =
        static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
    objc::send<void(objc::id)>(sim::content_view(window_.get()), "addSubview:", view_.get());
  }
  void TearDown() override {
    if (plugin_ != nullptr) plugin_->destroy(plugin_);
    sim::run_main_loop();
  }

  bool open() {
    clap_window window{CLAP_WINDOW_API_COCOA, {view_.get()}};
    return gui_->create(plugin_, CLAP_WINDOW_API_COCOA, false) &&
           gui_->set_parent(plugin_, &window);
  }
  objc::id web_view() const {
    const std::vector<objc::id> subviews = sim::subviews(view_.get());
    return subviews.size() == 1 ? subviews[0] : nullptr;
  }
  void post(std::string_view text) {
    ASSERT_TRUE(sim::post_page_message(web_view(), sim::string(text).get(), "about:blank"));
  }
  std::string last_script() const { return sim::page(web_view()).scripts.back(); }
  std::vector<OutputList::Sent> host_flush(const EventList& in) {
    OutputList out;
    params_->flush(plugin_, in.get(), out.get());
    return out.sent;
  }

  FakeHost host_;
  const clap_plugin* plugin_ = nullptr;
  const clap_plugin_gui* gui_ = nullptr;
  const clap_plugin_params* params_ = nullptr;
  objc::Strong window_ = sim::make_window({{0, 0}, {1000, 700}});
  objc::Strong view_ = sim::make_view({{0, 0}, {10, 10}});
};

TEST_F(ClapVessimorEditor, PageEditsReachTheHostAndHostChangesReachThePage) {
  ASSERT_NE(gui_, nullptr);
  ASSERT_TRUE(open());
  ASSERT_NE(web_view(), nullptr);
  sim::commit_navigation(web_view());

  // The loaded page asks for the values and gets all 29.
  const std::size_t before = sim::page(web_view()).scripts.size();
  post(R"({"type":"request_params"})");
  const std::vector<std::string> scripts = sim::page(web_view()).scripts;
  EXPECT_EQ(std::count_if(scripts.begin() + static_cast<std::ptrdiff_t>(before), scripts.end(),
                          [](const std::string& s) { return s.find("_updateParam('") != s.npos; }),
            29);

  const clap_id mix = hash_param_id("mix");
  post(R"({"type":"begin_edit","name":"mix"})");
  post(R"({"type":"set_param","name":"mix","value":0.25})");
  post(R"({"type":"end_edit","name":"mix"})");
  EXPECT_GE(host_.request_flush_calls, 1);
  const std::vector<OutputList::Sent> sent = host_flush(EventList());
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  EXPECT_EQ(sent[1].type, CLAP_EVENT_PARAM_VALUE);
  EXPECT_EQ(sent[1].value, 0.25);
  EXPECT_EQ(sent[2].type, CLAP_EVENT_PARAM_GESTURE_END);
  for (const OutputList::Sent& event : sent) EXPECT_EQ(event.param_id, mix);
  double value = 0;
  ASSERT_TRUE(params_->get_value(plugin_, mix, &value));
  EXPECT_EQ(value, 0.25);

  // Host automation: the page hears of it at its next poll.
  EventList automation;
  automation.param_value(0, mix, 0.75);
  (void)host_flush(automation);
  post(R"({"type":"poll_messages"})");
  EXPECT_EQ(last_script(), "if (window._updateParam) window._updateParam('mix', 0.75);");

  gui_->destroy(plugin_);
  EXPECT_EQ(web_view(), nullptr);
}

TEST_F(ClapVessimorEditor, OpensAgainAfterCloseAndRefusesWhatItCannotEmbedIn) {
  ASSERT_NE(gui_, nullptr);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(open());
    EXPECT_NE(web_view(), nullptr);
    gui_->destroy(plugin_);
    EXPECT_EQ(web_view(), nullptr);
  }
  // A Linux host's X11 window, or no view at all: a plain refusal, and nothing stays open.
  EXPECT_FALSE(gui_->is_api_supported(plugin_, CLAP_WINDOW_API_X11, false));
  EXPECT_FALSE(gui_->create(plugin_, CLAP_WINDOW_API_X11, false));
  clap_window x11{CLAP_WINDOW_API_X11, {nullptr}};
  x11.x11 = 0x2a00001;
  EXPECT_FALSE(gui_->set_parent(plugin_, &x11));
  clap_window no_view{CLAP_WINDOW_API_COCOA, {nullptr}};
  EXPECT_FALSE(gui_->set_parent(plugin_, &no_view));
  EXPECT_TRUE(gui_->create(plugin_, CLAP_WINDOW_API_COCOA, false));
  EXPECT_TRUE(open());
}

}  // namespace
}  // namespace vessimor::test
