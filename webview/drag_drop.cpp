#include "webview/drag_drop.hpp"

#include "webview/truncate.hpp"

namespace vessimor::webview::drag_drop {

std::vector<std::filesystem::path> collect_paths(id dragging_info) {
  std::vector<std::filesystem::path> paths;
  id pasteboard = objc::send<id()>(dragging_info, "draggingPasteboard");
  Strong filenames = ns_string("NSFilenamesPboardType");
  id types = objc::send<id(id)>(must_class("NSArray"), "arrayWithObject:", filenames.get());
  if (objc::send<id(id)>(pasteboard, "availableTypeFromArray:", types) == nullptr) return paths;
  id list = objc::send<id(id)>(pasteboard, "propertyListForType:", filenames.get());
  if (!objc::is_kind_of(list, must_class("NSArray"))) return paths;
  const NSUInteger count = objc::send<NSUInteger()>(list, "count");
  Class string_class = must_class("NSString");
  for (NSUInteger i = 0; i < count; ++i) {
    id item = objc::send<id(NSUInteger)>(list, "objectAtIndex:", i);
    if (!objc::is_kind_of(item, string_class)) continue;
    if (std::optional<std::string> path = string_text(item)) paths.emplace_back(*path);
  }
  return paths;
}

bool carries_files(id dragging_info) {
  return !collect_paths(dragging_info).empty();
}

DragDropPosition position(id view, id dragging_info) {
  const NSPoint location = objc::send<NSPoint()>(dragging_info, "draggingLocation");
  const double height = objc::send<NSRect()>(view, "frame").size.height;
  return {truncate_to<std::int32_t>(location.x), truncate_to<std::int32_t>(height - location.y)};
}

}  // namespace vessimor::webview::drag_drop
