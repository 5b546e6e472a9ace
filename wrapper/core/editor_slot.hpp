// The plug-in's editor and, while it is open, the handle that keeps it open. The editor is asked
// for once per instance and lives until the instance releases it.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "framework/editor.hpp"
#include "framework/mutex.hpp"

namespace vessimor::core {

class EditorSlot {
 public:
  // Thread: main (instance construction)
  void set_editor(std::unique_ptr<Editor> editor);
  // Hands the editor out when the instance goes, so that it is destroyed outside the slot.
  // Thread: main
  std::unique_ptr<Editor> release_editor();

  // Thread: main
  bool has_editor() const;
  // Thread: any
  bool is_open() const;

  // Opens the editor in `parent` with the context that `make_context()` builds; false when there
  // is no editor, it is already open, or it did not open. Thread: main
  template <class MakeContext>
  bool open(ParentWindowHandle parent, MakeContext&& make_context) {
    std::lock_guard slot_lock(handle_mutex_);
    if (handle_ || !editor_) return false;
    std::shared_ptr<GuiContext> context = std::forward<MakeContext>(make_context)();
    std::lock_guard editor_lock(editor_mutex_);
    handle_ = editor_->spawn(parent, std::move(context));
    return handle_ != nullptr;
  }

  // Closes an open editor; nothing when closed. Thread: main
  void close();

  // Runs `call(Editor&)` under the editor's lock, only while the editor is open. Thread: main
  template <class F>
  void notify_if_open(F&& call) {
    if (!is_open()) return;
    std::lock_guard lock(editor_mutex_);
    if (editor_) std::forward<F>(call)(*editor_);
  }

  // The editor's size times the scale factor, rounded; nothing without an editor. Thread: main
  std::optional<EditorSize> scaled_size() const;
  // Thread: main
  void set_scale_factor(float factor) { scale_factor_ = factor; }

 private:
  mutable Mutex editor_mutex_;
  std::unique_ptr<Editor> editor_;
  mutable Mutex handle_mutex_;
  std::unique_ptr<EditorHandle> handle_;
  float scale_factor_ = 1.0F;
};

}  // namespace vessimor::core
