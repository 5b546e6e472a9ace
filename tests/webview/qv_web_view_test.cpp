#include "webview/qv_web_view.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/webview/host_test.hpp"
#include "webview/inner_web_view.hpp"

namespace vessimor::webview {
namespace {

namespace sim = testing::sim;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr unsigned long control_key = 1UL << 18;
constexpr unsigned long option_key = 1UL << 19;

// A child web view at (0, 100) in a 900 x 700 host view, 900 x 600 in size.
class QvWebViewTest : public testing::WebViewHostTest {
 protected:
  void TearDown() override {
    sim::set_webkit_drag_operation(0);
    WebViewHostTest::TearDown();
  }

  std::unique_ptr<InnerWebView> make(WebViewAttributes attributes = {}, bool is_child = true) {
    attributes.bounds = Rect{LogicalPosition{0, 0}, LogicalSize{900, 600}};
    objc::id host = is_child ? parent_.get() : sim::content_view(window_.get());
    auto made = InnerWebView::new_ns_view(host, std::move(attributes), {}, is_child);
    if (!made) ADD_FAILURE() << made.error().text();
    sim::clear_calls();
    return std::move(made).value();
  }
};

TEST_F(QvWebViewTest, KeyEquivalentsGoToTheHostAndFirstClicksAreRefusedByDefault) {
  auto child = make();
  objc::id view = child->web_view();
  EXPECT_FALSE(sim::perform_key_equivalent(view, "q"));
  EXPECT_FALSE(objc::send<bool(objc::id)>(view, "acceptsFirstMouse:", nullptr));
  // The child never asks WebKit: the key goes on up the responder chain.
  EXPECT_THAT(sim::selectors_sent_to(view), IsEmpty());

  WebViewAttributes clicks;
  clicks.accept_first_mouse = true;
  auto own_window = make(std::move(clicks), false);
  EXPECT_TRUE(objc::send<bool(objc::id)>(own_window->web_view(), "acceptsFirstMouse:", nullptr));
  sim::perform_key_equivalent(own_window->web_view(), "q");
  EXPECT_THAT(sim::selectors_sent_to(own_window->web_view()), Contains("performKeyEquivalent:"));
}

TEST_F(QvWebViewTest, DragsGoToWebKitUnlessTheHandlerTakesThem) {
  auto plain = make();
  objc::id view = plain->web_view();
  const std::vector<std::string> files = {"/tmp/a.wav", "/tmp/b c.wav"};
  EXPECT_EQ(sim::drag(view, sim::DragPhase::entered, files, {30, 500}), 0u);
  EXPECT_EQ(sim::drag(view, sim::DragPhase::updated, files, {30, 500}), 1u);  // at least copy
  EXPECT_EQ(sim::drag(view, sim::DragPhase::perform, files, {30, 500}), 0u);
  sim::drag(view, sim::DragPhase::exited, files, {30, 500});
  EXPECT_THAT(sim::selectors_sent_to(view),
              ElementsAre("frame", "draggingEntered:", "frame", "draggingUpdated:", "frame",
                          "performDragOperation:", "draggingExited:"));
  sim::set_webkit_drag_operation(16);
  EXPECT_EQ(sim::drag(view, sim::DragPhase::updated, files, {30, 500}), 16u);

  std::vector<DragDropEvent> seen;
  WebViewAttributes attributes;
  attributes.drag_drop_handler = [&](DragDropEvent event) {
    seen.push_back(std::move(event));
    return true;
  };
  auto handled = make(std::move(attributes));
  view = handled->web_view();
  EXPECT_EQ(sim::drag(view, sim::DragPhase::entered, files, {30.9, 500}), 1u);
  EXPECT_EQ(sim::drag(view, sim::DragPhase::updated, files, {40, 650}), 1u);
  EXPECT_EQ(sim::drag(view, sim::DragPhase::perform, files, {50, 100}), 1u);
  sim::drag(view, sim::DragPhase::exited, files, {50, 100});
  EXPECT_THAT(sim::selectors_sent_to(view), Not(Contains("draggingEntered:")));
  EXPECT_THAT(sim::selectors_sent_to(view), Not(Contains("draggingExited:")));

  ASSERT_EQ(seen.size(), 4u);
  const auto& enter = std::get<DragEnter>(seen[0]);
  EXPECT_THAT(enter.paths, ElementsAre("/tmp/a.wav", "/tmp/b c.wav"));
  EXPECT_EQ(enter.position.x, 30);
  EXPECT_EQ(enter.position.y, 100);  // from the top of the 600-high view
  EXPECT_EQ(std::get<DragOver>(seen[1]).position.y, -50);
  const auto& drop = std::get<DragDrop>(seen[2]);
  EXPECT_EQ(drop.paths.size(), 2u);
  EXPECT_EQ(drop.position.x, 50);
  EXPECT_EQ(drop.position.y, 500);
  EXPECT_TRUE(std::holds_alternative<DragLeave>(seen[3]));

  // A drag without files (text) is never offered: WebKit has it, whatever the handler would say.
  seen.clear();
  sim::clear_calls();
  EXPECT_EQ(sim::drag(view, sim::DragPhase::entered, {}, {30, 500}), 16u);
  EXPECT_EQ(sim::drag(view, sim::DragPhase::updated, {}, {30, 500}), 16u);
  EXPECT_EQ(sim::drag(view, sim::DragPhase::perform, {}, {30, 500}), 1u);
  sim::drag(view, sim::DragPhase::exited, {}, {30, 500});
  EXPECT_THAT(seen, IsEmpty());
  EXPECT_THAT(sim::selectors_sent_to(view),
              ElementsAre("draggingEntered:", "draggingUpdated:", "performDragOperation:",
                          "draggingExited:"));
}

TEST_F(QvWebViewTest, ExtraButtonsReplayToThePageAndOthersPassOn) {
  auto inner = make();
  objc::id view = inner->web_view();
  const sim::MouseEvent forward{.button_number = 4,
                                .location_in_window = {120.7, 340.2},
                                .click_count = 1,
                                .modifier_flags = control_key | option_key,
                                .pressed_buttons = 16};
  sim::other_mouse_down(view, forward);
  sim::other_mouse_up(view, forward);
  // Both run at once, though no page has committed yet, and want no result.
  const std::vector<std::string> scripts = sim::page(view).scripts;
  ASSERT_EQ(scripts.size(), 2u);
  EXPECT_THAT(sim::call_texts(view), Contains(::testing::EndsWith(", nil")));
  // The press differs from the release only in its event name.
  std::string release = scripts[0];
  for (std::size_t at; (at = release.find("mousedown")) != std::string::npos;) {
    release.replace(at, 9, "mouseup");
  }
  EXPECT_EQ(release, scripts[1]);
  EXPECT_EQ(scripts[1],
            "(() => {\n"
            "        const el = document.elementFromPoint(120,240);\n"
            "        const ev = new MouseEvent('mouseup', {\n"
            "          view: window,\n"
            "          button: 4,\n"
            "          buttons: 16,\n"
            "          x: 120,\n"
            "          y: 240,\n"
            "          bubbles: true,\n"
            "          detail: 1,\n"
            "          cancelBubble: false,\n"
            "          cancelable: true,\n"
            "          clientX: 120,\n"
            "          clientY: 240,\n"
            "          composed: true,\n"
            "          layerX: 120,\n"
            "          layerY: 240,\n"
            "          pageX: 120,\n"
            "          pageY: 240,\n"
            "          screenX: window.screenX + 120,\n"
            "          screenY: window.screenY + 240,\n"
            "          ctrlKey: true,\n"
            "          metaKey: false,\n"
            "          shiftKey: false,\n"
            "          altKey: true,\n"
            "        });\n"
            "        el.dispatchEvent(ev)\n"
            "        if (!ev.defaultPrevented && \"mouseup\" === \"mouseup\") {\n"
            "          if (ev.button === 3) {\n"
            "            window.history.back();\n"
            "          }\n"
            "          if (ev.button === 4) {\n"
            "            window.history.forward();\n"
            "          }\n"
            "        }\n"
            "      })()");

  sim::clear_calls();
  const sim::MouseEvent middle{.button_number = 2, .location_in_window = {10, 10}};
  sim::other_mouse_down(view, middle);
  sim::other_mouse_up(view, middle);
  EXPECT_THAT(sim::selectors_sent_to(view), ElementsAre("mouseDown:", "mouseUp:"));
  EXPECT_EQ(sim::page(view).scripts.size(), 2u);
}

}  // namespace
}  // namespace vessimor::webview
