// The plug-in view: its two faces, platform types, the editor's fixed size, attaching and removing,
// the host's frame and resize requests, and an instance that the host lets go of while its view is
// still attached.
#include "wrapper/vst3/view.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/wrapper/vst3/test_instance.hpp"
#include "tools/vst3_host/host.hpp"
#include "tools/vst3_host/host_objects.hpp"

namespace vessimor::test {
namespace {

using tools::vst3::ComPtr;
using tools::vst3::PlugFrame;

// Any address: the test editor never looks at the view it is given.
void* const HOST_VIEW = reinterpret_cast<void*>(0x1000);

class Vst3View : public ::testing::Test {
 protected:
  ComPtr<abi::IPlugView> create_view(const char* name = "editor") {
    return ComPtr<abi::IPlugView>::adopt(instance->e().createView(instance->controller(), name));
  }
  static const abi::IPlugViewVtbl& v(const ComPtr<abi::IPlugView>& view) { return *view->vtbl; }
  static abi::tresult attach(const ComPtr<abi::IPlugView>& view, const char* type = "NSView") {
    return v(view).attached(view.get(), HOST_VIEW, type);
  }
  static abi::tresult remove(const ComPtr<abi::IPlugView>& view) {
    return v(view).removed(view.get());
  }
  static std::uint32_t count_of(const ComPtr<abi::IPlugView>& view) {
    const std::uint32_t count = v(view).unknown.addRef(view.get()) - 1;
    v(view).unknown.release(view.get());
    return count;
  }

  std::unique_ptr<Vst3TestInstance> instance = std::make_unique<Vst3TestInstance>();
};

TEST_F(Vst3View, FacesPlatformTypesAndTheFixedSize) {
  ASSERT_TRUE(create_view(nullptr));
  const ComPtr<abi::IPlugView> view = create_view();
  ASSERT_TRUE(view);
  const auto scale = view.query<abi::IPlugViewContentScaleSupport>();
  ASSERT_TRUE(scale);
  EXPECT_EQ(reinterpret_cast<char*>(scale.get()),
            reinterpret_cast<char*>(view.get()) + sizeof(void*));
  EXPECT_EQ(scale.query<abi::IPlugView>().get(), view.get());
  EXPECT_EQ(view.query<abi::FUnknown>().get(), reinterpret_cast<abi::FUnknown*>(view.get()));
  void* other = view.get();
  EXPECT_EQ(v(view).unknown.queryInterface(view.get(), abi::IEditController::iid.data(), &other),
            abi::kNoInterface);
  EXPECT_EQ(other, nullptr);

  EXPECT_EQ(v(view).isPlatformTypeSupported(view.get(), "NSView"), abi::kResultOk);
  for (const char* type : {"HWND", "X11EmbedWindowID", "NSView ", "NSViewX", "", "\xff"}) {
    EXPECT_EQ(v(view).isPlatformTypeSupported(view.get(), type), abi::kResultFalse) << type;
  }
  EXPECT_EQ(v(view).isPlatformTypeSupported(view.get(), nullptr), abi::kInvalidArgument);

  // The size does not follow the host's scale factor, which is refused.
  EXPECT_EQ(scale->vtbl->setContentScaleFactor(scale.get(), 2.0F), abi::kResultFalse);
  abi::ViewRect rect{7, 7, 7, 7};
  ASSERT_EQ(v(view).getSize(view.get(), &rect), abi::kResultOk);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, 900);
  EXPECT_EQ(rect.bottom, 600);
  EXPECT_EQ(v(view).getSize(view.get(), nullptr), abi::kInvalidArgument);
  EXPECT_EQ(v(view).canResize(view.get()), abi::kResultFalse);

  abi::ViewRect moved{100, 50, 1000, 650};
  EXPECT_EQ(v(view).onSize(view.get(), &moved), abi::kResultOk);
  abi::ViewRect wider{0, 0, 901, 600};
  EXPECT_EQ(v(view).onSize(view.get(), &wider), abi::kResultFalse);
  EXPECT_EQ(v(view).onSize(view.get(), nullptr), abi::kInvalidArgument);
  EXPECT_EQ(v(view).getSize(view.get(), &rect), abi::kResultOk);
  EXPECT_EQ(rect.right, 900);

  abi::ViewRect empty{10, 10, 10, 300};
  EXPECT_EQ(v(view).checkSizeConstraint(view.get(), &empty), abi::kResultFalse);
  EXPECT_EQ(empty.right, 10);
  abi::ViewRect dot{0, 0, 1, 1};
  EXPECT_EQ(v(view).checkSizeConstraint(view.get(), &dot), abi::kResultOk);
  abi::ViewRect extreme{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_EQ(v(view).checkSizeConstraint(view.get(), &extreme), abi::kResultOk);
  abi::ViewRect inverted{INT_MAX, 0, INT_MIN, 10};
  EXPECT_EQ(v(view).checkSizeConstraint(view.get(), &inverted), abi::kResultFalse);
  EXPECT_EQ(v(view).checkSizeConstraint(view.get(), nullptr), abi::kInvalidArgument);

  // The web view takes its own input.
  EXPECT_EQ(v(view).onWheel(view.get(), 1.0F), abi::kNotImplemented);
  EXPECT_EQ(v(view).onKeyDown(view.get(), u'a', 0, 0), abi::kNotImplemented);
  EXPECT_EQ(v(view).onKeyUp(view.get(), u'a', 0, 0), abi::kNotImplemented);
  EXPECT_EQ(v(view).onFocus(view.get(), 1), abi::kNotImplemented);
}

TEST_F(Vst3View, NoViewWithoutAnEditor) {
  instance = std::make_unique<Vst3TestInstance>(false);
  EXPECT_FALSE(create_view());
}

TEST_F(Vst3View, AttachOpensTheEditorOnceAndRemoveClosesIt) {
  const ComPtr<abi::IPlugView> view = create_view();
  EXPECT_EQ(remove(view), abi::kResultFalse);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(attach(view), abi::kResultOk);
    EXPECT_EQ(editor_log().open_handles, 1);
    EXPECT_TRUE(instance->inner().view().view_open());
    // The instance holds the view while it is attached.
    EXPECT_EQ(count_of(view), 2u);
    EXPECT_EQ(attach(view), abi::kResultFalse);
    EXPECT_EQ(editor_log().open_handles, 1);
    ASSERT_EQ(remove(view), abi::kResultOk);
    EXPECT_EQ(editor_log().open_handles, 0);
    EXPECT_FALSE(instance->inner().view().view_open());
    EXPECT_EQ(count_of(view), 1u);
    EXPECT_EQ(remove(view), abi::kResultFalse);
  }

  // Another view of the same instance finds the editor taken and leaves it be.
  ASSERT_EQ(attach(view), abi::kResultOk);
  const ComPtr<abi::IPlugView> second = create_view();
  EXPECT_EQ(attach(second), abi::kResultFalse);
  EXPECT_EQ(remove(second), abi::kResultFalse);
  EXPECT_EQ(editor_log().open_handles, 1);
  EXPECT_TRUE(instance->inner().view().view_open());
  EXPECT_EQ(remove(view), abi::kResultOk);
}

TEST_F(Vst3View, ParentsTheEditorCannotTakeAreRefusedAndNothingIsKept) {
  const ComPtr<abi::IPlugView> view = create_view();
  // A Linux host's X11 window: the editor does not open, so neither does the view.
  EXPECT_EQ(v(view).attached(view.get(), reinterpret_cast<void*>(0x2a00001), "X11EmbedWindowID"),
            abi::kResultFalse);
  EXPECT_EQ(attach(view, "HWND"), abi::kResultFalse);
  EXPECT_EQ(attach(view, "UIView"), abi::kInvalidArgument);
  EXPECT_EQ(attach(view, "NSView "), abi::kInvalidArgument);
  EXPECT_EQ(attach(view, nullptr), abi::kInvalidArgument);
  EXPECT_EQ(editor_log().open_handles, 0);
  EXPECT_FALSE(instance->inner().view().view_open());
  EXPECT_EQ(count_of(view), 1u);
  EXPECT_EQ(remove(view), abi::kResultFalse);
  // Still attachable where the editor can open.
  EXPECT_EQ(attach(view), abi::kResultOk);
  EXPECT_EQ(remove(view), abi::kResultOk);
}

TEST_F(Vst3View, ResizeRequestsGoToTheHostsFrameWhileAttached) {
  PlugFrame frame;
  PlugFrame other;
  const ComPtr<abi::IPlugView> view = create_view();
  ASSERT_EQ(v(view).setFrame(view.get(), frame.frame()), abi::kResultOk);
  EXPECT_EQ(frame.borrowed(), 1u);
  ASSERT_EQ(attach(view), abi::kResultOk);
  ASSERT_NE(editor_log().context, nullptr);
  EXPECT_TRUE(editor_log().context->request_resize());
  ASSERT_EQ(frame.resizes().size(), 1u);
  EXPECT_EQ(frame.resizes()[0].view, view.get());
  EXPECT_EQ(frame.resizes()[0].rect.right, 900);
  EXPECT_EQ(frame.resizes()[0].rect.bottom, 600);
  // An applied state resizes an open view too.
  instance->inner().set_state_inner(instance->inner().core().state_object());
  EXPECT_EQ(frame.resizes().size(), 2u);

  ASSERT_EQ(v(view).setFrame(view.get(), other.frame()), abi::kResultOk);
  EXPECT_EQ(frame.borrowed(), 0u);
  EXPECT_TRUE(editor_log().context->request_resize());
  EXPECT_EQ(other.resizes().size(), 1u);
  ASSERT_EQ(v(view).setFrame(view.get(), nullptr), abi::kResultOk);
  EXPECT_EQ(other.borrowed(), 0u);
  EXPECT_TRUE(editor_log().context->request_resize());
  EXPECT_EQ(other.resizes().size(), 1u);

  // Once removed, a request reaches no frame.
  ASSERT_EQ(v(view).setFrame(view.get(), frame.frame()), abi::kResultOk);
  const std::shared_ptr<GuiContext> context = editor_log().context;
  ASSERT_EQ(remove(view), abi::kResultOk);
  EXPECT_TRUE(context->request_resize());
  EXPECT_EQ(frame.resizes().size(), 2u);
}

TEST_F(Vst3View, AnInstanceLetGoOfWithItsViewAttachedGoesWithItsEditor) {
  editor_log().editors_keep_context = true;
  PlugFrame frame;
  ComPtr<abi::IPlugView> view = create_view();
  ASSERT_EQ(v(view).setFrame(view.get(), frame.frame()), abi::kResultOk);
  ASSERT_EQ(attach(view), abi::kResultOk);
  instance.reset();
  EXPECT_EQ(editor_log().open_handles, 0);
  // The view the host still holds is the last holder of the instance, and says no to everything.
  EXPECT_EQ(probe().live_plugins.load(), 1);
  EXPECT_EQ(remove(view), abi::kResultFalse);
  EXPECT_EQ(attach(view), abi::kResultFalse);
  abi::ViewRect rect{};
  EXPECT_EQ(v(view).getSize(view.get(), &rect), abi::kResultFalse);
  view.reset();
  EXPECT_EQ(probe().live_plugins.load(), 0);
  EXPECT_EQ(frame.borrowed(), 0u);
  editor_log().editors_keep_context = false;
}

}  // namespace
}  // namespace vessimor::test
