#include "wrapper/core/editor_slot.hpp"

namespace vessimor::core {

void EditorSlot::set_editor(std::unique_ptr<Editor> editor) {
  std::lock_guard lock(editor_mutex_);
  editor_ = std::move(editor);
}

std::unique_ptr<Editor> EditorSlot::release_editor() {
  std::lock_guard lock(editor_mutex_);
  return std::move(editor_);
}

bool EditorSlot::has_editor() const {
  // Without the lock: the editor is set and released only on the main thread, and an editor
  // calling back while it holds its lock must still get an answer.
  return editor_ != nullptr;
}

bool EditorSlot::is_open() const {
  std::lock_guard lock(handle_mutex_);
  return handle_ != nullptr;
}

void EditorSlot::close() {
  std::unique_ptr<EditorHandle> handle;
  {
    std::lock_guard lock(handle_mutex_);
    handle = std::move(handle_);
  }
  // Dropped outside the slot's lock: closing may call back into the instance.
  handle.reset();
}

std::optional<EditorSize> EditorSlot::scaled_size() const {
  EditorSize size;
  {
    std::lock_guard lock(editor_mutex_);
    if (!editor_) return std::nullopt;
    size = editor_->size();
  }
  const auto scale = [this](std::uint32_t side) {
    return static_cast<std::uint32_t>(
        std::lround(static_cast<double>(side) * static_cast<double>(scale_factor_)));
  };
  return EditorSize{scale(size.width), scale(size.height)};
}

}  // namespace vessimor::core
