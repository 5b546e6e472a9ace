// The VST3 plug-in view: how a host embeds the plug-in's editor in a window of its own. It opens
// the editor in the host's view, reports the editor's fixed size, keeps the host's frame for
// resize requests and, while attached, is the instance's open view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include "framework/editor.hpp"
#include "framework/log.hpp"
#include "framework/panic.hpp"
#include "platform/vst3/vst3.hpp"
#include "wrapper/vst3/com.hpp"
#include "wrapper/vst3/gui_context.hpp"
#include "wrapper/vst3/inner.hpp"
#include "wrapper/vst3/view_slot.hpp"

namespace vessimor::vst3 {

// The parent a host hands to `attached`, by its platform type; nothing for a type this view does
// not know. An X11 window id travels in the pointer's low 32 bits. Thread: any
inline std::optional<ParentWindowHandle> parent_for_platform_type(void* parent,
                                                                  std::string_view type) {
  ParentWindowHandle handle;
  if (type == abi::kPlatformTypeNSView) {
    handle.ns_view = parent;
  } else if (type == abi::kPlatformTypeHWND) {
    handle.kind = ParentWindowHandle::Kind::win32;
    handle.hwnd = parent;
  } else if (type == abi::kPlatformTypeX11EmbedWindowID) {
    handle.kind = ParentWindowHandle::Kind::x11;
    handle.x11_window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(parent));
  } else {
    return std::nullopt;
  }
  return handle;
}

template <Vst3Plugin P>
class WrapperView {
 public:
  enum Face : std::size_t {
    PLUG_VIEW = 0,  // FUnknown, IPlugView
    CONTENT_SCALE,  // IPlugViewContentScaleSupport
    FACE_COUNT,
  };

  // A view over the instance, not attached, with one reference for the caller. The instance has
  // an editor. Thread: main
  static WrapperView* allocate(std::shared_ptr<WrapperInner<P>> inner) {
    static_assert(std::is_standard_layout_v<WrapperView>, "the faces must start the object");
    return new WrapperView(std::move(inner));
  }

  WrapperView(const WrapperView&) = delete;
  WrapperView& operator=(const WrapperView&) = delete;

  // Thread: any
  void* face(Face face) noexcept { return static_cast<void*>(&faces_.tables[face]); }

  // Thread: any
  abi::tresult query_interface(const char* iid, void** obj) noexcept {
    if (obj == nullptr) return abi::kInvalidArgument;
    std::optional<Face> found;
    if (abi::FUnknown::iid.matches(iid) || abi::IPlugView::iid.matches(iid)) {
      found = PLUG_VIEW;
    } else if (abi::IPlugViewContentScaleSupport::iid.matches(iid)) {
      found = CONTENT_SCALE;
    }
    return answer_query(found ? face(*found) : nullptr, iid, obj, ref_count_);
  }
  // Thread: any
  std::uint32_t add_ref() noexcept { return ref_count_.add(); }
  // The last release frees the view, which lets go of the instance. Thread: any
  std::uint32_t release() noexcept {
    const std::uint32_t left = ref_count_.remove();
    if (left == 0) delete this;
    return left;
  }

  // Only the view type the editor can be embedded in. Thread: main
  static abi::tresult is_platform_type_supported(const char* type) {
    if (type == nullptr) return abi::kInvalidArgument;
    return std::string_view(type) == abi::kPlatformTypeNSView ? abi::kResultOk : abi::kResultFalse;
  }

  // Opens the editor in the host's view and becomes the instance's open view. kResultFalse when
  // this view is attached already, when another view of the instance holds the editor, or when
  // the editor did not open in that parent (a Linux host's X11 window, a null view): the host
  // then shows no empty window and nothing is kept. Thread: main
  abi::tresult attached(void* parent, const char* type) {
    if (type == nullptr) return abi::kInvalidArgument;
    if (is_attached()) return abi::kResultFalse;
    const std::optional<ParentWindowHandle> handle = parent_for_platform_type(parent, type);
    if (!handle) return abi::kInvalidArgument;
    core::EditorSlot& editor = inner_->core().editor();
    if (editor.is_open()) return abi::kResultFalse;

    std::shared_ptr<Registration> registration;
    inner_->view().attach([&]() -> std::shared_ptr<OpenView> {
      const bool opened =
          editor.open(*handle, [&] { return std::make_shared<WrapperGuiContext<P>>(inner_); });
      if (opened) registration = std::make_shared<Registration>(*this);
      return registration;
    });
    if (!registration) {
      VESSIMOR_LOG_WARN("The editor did not open in the host's {} view", type);
      return abi::kResultFalse;
    }
    registration_ = registration;
    return abi::kResultOk;
  }

  // Closes the editor and stops being the instance's open view; kResultFalse when not attached.
  // Thread: main
  abi::tresult removed() {
    if (!is_attached()) return abi::kResultFalse;
    registration_.reset();
    inner_->view().remove([this] { inner_->core().editor().close(); });
    return abi::kResultOk;
  }

  // The editor's size, scaled by the view's factor (always 1). Thread: main
  abi::tresult get_size(abi::ViewRect* rect) const {
    if (rect == nullptr) return abi::kInvalidArgument;
    const std::optional<EditorSize> size = inner_->core().editor().scaled_size();
    if (!size) return abi::kResultFalse;
    *rect = abi::ViewRect{0, 0, static_cast<std::int32_t>(size->width),
                          static_cast<std::int32_t>(size->height)};
    return abi::kResultOk;
  }

  // The editor's size is fixed: only its own size is accepted, and nothing is resized.
  // Thread: main
  abi::tresult on_size(const abi::ViewRect* rect) const {
    if (rect == nullptr) return abi::kInvalidArgument;
    abi::ViewRect own{};
    if (get_size(&own) != abi::kResultOk) return abi::kResultFalse;
    return width_of(*rect) == width_of(own) && height_of(*rect) == height_of(own)
               ? abi::kResultOk
               : abi::kResultFalse;
  }

  // Holds a reference on the new frame and lets go of the old one; null clears it. Thread: main
  abi::tresult set_frame(abi::IPlugFrame* frame) {
    HostRef<abi::IPlugFrame> replacement(frame);
    {
      std::lock_guard lock(frame_mutex_);
      std::swap(frame_, replacement);
    }
    return abi::kResultOk;
  }

  // Any rectangle with room in it; the rectangle is left as it is. Thread: main
  static abi::tresult check_size_constraint(const abi::ViewRect* rect) {
    if (rect == nullptr) return abi::kInvalidArgument;
    return width_of(*rect) >= 1 && height_of(*rect) >= 1 ? abi::kResultOk : abi::kResultFalse;
  }

  // Asks the host's frame to give the view the editor's size; true when the host agreed.
  // Thread: main
  bool request_resize() {
    if (!is_attached()) return false;
    HostRef<abi::IPlugFrame> frame;
    {
      std::lock_guard lock(frame_mutex_);
      frame = HostRef<abi::IPlugFrame>(frame_.get());
    }
    abi::ViewRect rect{};
    if (!frame || get_size(&rect) != abi::kResultOk) return false;
    auto* view = static_cast<abi::IPlugView*>(face(PLUG_VIEW));
    return frame.get()->vtbl->resizeView(frame.get(), view, &rect) == abi::kResultOk;
  }

 private:
  // The instance's reference on the attached view: taken when the editor opened, given back
  // when the instance's view slot lets go of it.
  class Registration final : public OpenView {
   public:
    explicit Registration(WrapperView& view) : view_(view) { view_.add_ref(); }
    ~Registration() override { view_.release(); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    // Thread: main
    bool request_resize() override { return view_.request_resize(); }

   private:
    WrapperView& view_;
  };

  explicit WrapperView(std::shared_ptr<WrapperInner<P>> inner) : inner_(std::move(inner)) {
    faces_.tables[PLUG_VIEW] = &PLUG_VIEW_TABLE;
    faces_.tables[CONTENT_SCALE] = &CONTENT_SCALE_TABLE;
  }
  ~WrapperView() = default;

  // Attached while the instance's view slot holds this view's registration; the instance drops
  // it when the host lets go of the instance without removing the view first.
  bool is_attached() const noexcept { return !registration_.expired(); }

  static std::int64_t width_of(const abi::ViewRect& rect) noexcept {
    return std::int64_t{rect.right} - rect.left;
  }
  static std::int64_t height_of(const abi::ViewRect& rect) noexcept {
    return std::int64_t{rect.bottom} - rect.top;
  }

  // Runs `work(WrapperView&)` for the object behind face I; see with_owner.
  template <Face I, class R, class F>
  static R with(void* self, R fallback, F&& work) noexcept {
    return with_owner<WrapperView, I>(self, fallback, std::forward<F>(work));
  }

  // FUnknown, on every face. Thread: any
  template <Face I>
  static constexpr abi::FUnknownVtbl UNKNOWN = UnknownSlots<WrapperView, I>::TABLE;

  // IPlugView. Thread: main
  static abi::tresult c_is_platform_type_supported(void* self, const char* type) noexcept {
    return with<PLUG_VIEW>(self, abi::kInvalidArgument,
                           [&](WrapperView&) { return is_platform_type_supported(type); });
  }
  static abi::tresult c_attached(void* self, void* parent, const char* type) noexcept {
    return with<PLUG_VIEW>(self, abi::kInvalidArgument,
                           [&](WrapperView& view) { return view.attached(parent, type); });
  }
  static abi::tresult c_removed(void* self) noexcept {
    return with<PLUG_VIEW>(self, abi::kInvalidArgument,
                           [](WrapperView& view) { return view.removed(); });
  }
  static abi::tresult c_get_size(void* self, abi::ViewRect* rect) noexcept {
    return with<PLUG_VIEW>(self, abi::kInvalidArgument,
                           [&](WrapperView& view) { return view.get_size(rect); });
  }
  static abi::tresult c_on_size(void* self, abi::ViewRect* rect) noexcept {
    return with<PLUG_VIEW>(self, abi::kInvalidArgument,
                           [&](WrapperView& view) { return view.on_size(rect); });
  }
  static abi::tresult c_set_frame(void* self, abi::IPlugFrame* frame) noexcept {
    return with<PLUG_VIEW>(self, abi::kInvalidArgument,
                           [&](WrapperView& view) { return view.set_frame(frame); });
  }
  static abi::tresult c_check_size_constraint(void* /*self*/, abi::ViewRect* rect) noexcept {
    return check_size_constraint(rect);
  }

  // Input goes to the web view directly, never through the host.
  static constexpr abi::IPlugViewVtbl PLUG_VIEW_TABLE{
      UNKNOWN<PLUG_VIEW>,
      &c_is_platform_type_supported,
      &c_attached,
      &c_removed,
      [](void*, float) noexcept { return abi::kNotImplemented; },
      [](void*, char16_t, std::int16_t, std::int16_t) noexcept { return abi::kNotImplemented; },
      [](void*, char16_t, std::int16_t, std::int16_t) noexcept { return abi::kNotImplemented; },
      &c_get_size,
      &c_on_size,
      [](void*, abi::TBool) noexcept { return abi::kNotImplemented; },
      &c_set_frame,
      [](void*) noexcept { return abi::kResultFalse; },
      &c_check_size_constraint,
  };

  // The editor's size does not follow the host's scale: the factor is refused.
  static constexpr abi::IPlugViewContentScaleSupportVtbl CONTENT_SCALE_TABLE{
      UNKNOWN<CONTENT_SCALE>,
      [](void*, float) noexcept { return abi::kResultFalse; },
  };

  Faces<FACE_COUNT> faces_;
  RefCount ref_count_;
  std::shared_ptr<WrapperInner<P>> inner_;
  std::mutex frame_mutex_;
  HostRef<abi::IPlugFrame> frame_;
  std::weak_ptr<Registration> registration_;
};

}  // namespace vessimor::vst3
