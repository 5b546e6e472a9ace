#include "editor/embedded_ui.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace vessimor {
namespace {

std::string read_built(const char* name) {
  std::ifstream file(std::string(VESSIMOR_EDITOR_UI_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(file) << name;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::size_t count(std::string_view text, std::string_view part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The browser tests run the built files; the library must hold exactly those bytes (the font and
// image data and every non-ASCII character pass through the generated literals).
TEST(EmbeddedUi, LibraryHoldsTheBuiltPageAndBridgeByteForByte) {
  EXPECT_EQ(embedded_ui::editor_page(), read_built("editor.html"));
  EXPECT_EQ(embedded_ui::bridge_script(), read_built("bridge.js"));
}

TEST(EmbeddedUi, PageAndBridgeKeepWhatTheEditorSplicingReliesOn) {
  const auto page = embedded_ui::editor_page();
  const auto bridge = embedded_ui::bridge_script();
  EXPECT_EQ(count(page, "</head>"), 1u);
  EXPECT_LT(page.size(), 250u * 1024u);
  EXPECT_EQ(count(page, "data:font/woff2;base64,"), 1u);
  EXPECT_EQ(count(page, "data:image/webp;base64,"), 1u);
  EXPECT_EQ(count(bridge, "</script"), 0u);
  EXPECT_EQ(bridge.substr(0, 13), "(function () ");
  EXPECT_EQ(bridge.substr(bridge.size() - 6), "})();\n");
}

}  // namespace
}  // namespace vessimor
