// Vessimor's own editor in the VST3 view: page messages, sent through the web view stand-in,
// reach the host's component handler, and host changes reach the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/params/range.hpp"
#include "platform/apple/sim.hpp"
#include "plugin/vessimor.hpp"
#include "tools/vst3_host/host.hpp"
#include "tools/vst3_host/host_objects.hpp"
#include "wrapper/vst3/factory.hpp"

namespace vessimor::test {
namespace {

namespace sim = apple::sim;
namespace abi = vst3::abi;
using tools::vst3::ComponentHandler;
using tools::vst3::ComPtr;
using tools::vst3::HandlerCall;

class Vst3VessimorView : public ::testing::Test {
 protected:
  void SetUp() override {
    abi::IPluginFactory* factory = vst3::Factory<Vessimor>::create();
    void* face = nullptr;
    char class_id[16];
    std::memcpy(class_id, "QuoVessimorUnit", 16);
    ASSERT_EQ(
        factory->vtbl->createInstance(factory, class_id, abi::IEditController::iid.data(), &face),
        abi::kResultOk);
    abi::unknown_of(factory).release(factory);
    controller_ = ComPtr<abi::IEditController>::adopt(static_cast<abi::IEditController*>(face));
    ASSERT_EQ(e().setComponentHandler(controller_.get(), handler_.handler()), abi::kResultOk);
    view_ = ComPtr<abi::IPlugView>::adopt(e().createView(controller_.get(), "editor"));
    ASSERT_TRUE(view_);
    objc::send<void(objc::id)>(sim::content_view(window_.get()), "addSubview:", host_view_.get());
  }
  void TearDown() override {
    view_.reset();
    controller_.reset();
    sim::run_main_loop();
  }

  const abi::IEditControllerVtbl& e() const { return *controller_->vtbl; }
  const abi::IPlugViewVtbl& v() const { return *view_->vtbl; }
  abi::tresult attach(void* parent, const char* type = "NSView") {
    return v().attached(view_.get(), parent, type);
  }
  objc::id web_view() const {
    const std::vector<objc::id> subviews = sim::subviews(host_view_.get());
    return subviews.size() == 1 ? subviews[0] : nullptr;
  }
  void post(std::string_view text) {
    ASSERT_TRUE(sim::post_page_message(web_view(), sim::string(text).get(), "about:blank"));
  }

  ComponentHandler handler_;
  ComPtr<abi::IEditController> controller_;
  ComPtr<abi::IPlugView> view_;
  objc::Strong window_ = sim::make_window({{0, 0}, {1000, 700}});
  objc::Strong host_view_ = sim::make_view({{0, 0}, {10, 10}});
};

TEST_F(Vst3VessimorView, PageEditsReachTheHandlerAndHostChangesReachThePage) {
  EXPECT_EQ(v().isPlatformTypeSupported(view_.get(), "NSView"), abi::kResultOk);
  abi::ViewRect size{};
  ASSERT_EQ(v().getSize(view_.get(), &size), abi::kResultOk);
  EXPECT_EQ(size.right, 900);
  EXPECT_EQ(size.bottom, 600);
  ASSERT_EQ(attach(host_view_.get()), abi::kResultOk);
  ASSERT_NE(web_view(), nullptr);
  sim::commit_navigation(web_view());

  const abi::ParamID mix = hash_param_id("mix");
  post(R"({"type":"begin_edit","name":"mix"})");
  post(R"({"type":"set_param","name":"mix","value":0.25})");
  post(R"({"type":"end_edit","name":"mix"})");
  const std::vector<HandlerCall> calls = handler_.calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, HandlerCall::Kind::begin_edit);
  EXPECT_EQ(calls[1].kind, HandlerCall::Kind::perform_edit);
  EXPECT_EQ(calls[1].value, 0.25);
  EXPECT_EQ(calls[2].kind, HandlerCall::Kind::end_edit);
  for (const HandlerCall& call : calls) EXPECT_EQ(call.id, mix);
  EXPECT_EQ(e().getParamNormalized(controller_.get(), mix), 0.25);

  // Host automation from the main thread: the page hears of it at its next poll.
  ASSERT_EQ(e().setParamNormalized(controller_.get(), mix, 0.75), abi::kResultOk);
  post(R"({"type":"poll_messages"})");
  EXPECT_EQ(sim::page(web_view()).scripts.back(),
            "if (window._updateParam) window._updateParam('mix', 0.75);");

  ASSERT_EQ(v().removed(view_.get()), abi::kResultOk);
  EXPECT_EQ(web_view(), nullptr);
}

TEST_F(Vst3VessimorView, AttachedWithoutAWebViewShowsNothingAndKeepsNothing) {
  // A Linux host's X11 window, or no view at all: refused, and the view stays attachable.
  EXPECT_EQ(v().isPlatformTypeSupported(view_.get(), "X11EmbedWindowID"), abi::kResultFalse);
  EXPECT_EQ(attach(reinterpret_cast<void*>(0x2a00001), "X11EmbedWindowID"), abi::kResultFalse);
  EXPECT_EQ(attach(nullptr), abi::kResultFalse);
  EXPECT_EQ(v().removed(view_.get()), abi::kResultFalse);
  EXPECT_EQ(web_view(), nullptr);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(attach(host_view_.get()), abi::kResultOk);
    EXPECT_NE(web_view(), nullptr);
    ASSERT_EQ(v().removed(view_.get()), abi::kResultOk);
    EXPECT_EQ(web_view(), nullptr);
  }
}

}  // namespace
}  // namespace vessimor::test
