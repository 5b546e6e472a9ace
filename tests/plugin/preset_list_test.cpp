#include "plugin/preset_list.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "framework/util/utf8.hpp"
#include "plugin/factory_presets.hpp"
#include "plugin/preset_file.hpp"
#include "plugin/preset_text.hpp"
#include "tests/plugin/preset_test_dir.hpp"

namespace vessimor {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::write_file;

const std::vector<std::string> kFactoryOrder = {"Ambient Wash",
                                                "Bass Transformer",
                                                "Broken Transmission",
                                                "Combover",
                                                "Dense Texture",
                                                "Folded Harmonics",
                                                "Glitch Rhythm",
                                                "Granular Chaos",
                                                "Gritty Edge",
                                                "Harsh Metallic",
                                                "Init",
                                                "Keys Sparkle",
                                                "Lo-Fi Warmth",
                                                "Metallic Shimmer",
                                                "Octave Wobble",
                                                "Organ Swell",
                                                "Pad Thickener",
                                                "Radio Static",
                                                "Rhythmic Pulse",
                                                "Robot Voice",
                                                "Sci-Fi Scanner",
                                                "Slow Drift",
                                                "Spectral Cloud",
                                                "Stepped Destruction",
                                                "Synth Vowels",
                                                "Talking Synth",
                                                "Vowel Sweep",
                                                "Warm Chorus"};

std::vector<std::string> names(const std::vector<PresetEntry>& list) {
  std::vector<std::string> out;
  for (const auto& e : list) out.push_back(e.name() + (e.is_factory() ? "" : " [user]"));
  return out;
}

TEST(PresetList, WithoutAFolderTheFactoryRowsSortCaseInsensitively) {
  auto list = presets::list_all_presets_in(std::nullopt);
  EXPECT_EQ(names(list), kFactoryOrder);
  TempDir empty;
  EXPECT_EQ(names(presets::list_all_presets_in(empty.path())), kFactoryOrder);
  EXPECT_EQ(names(presets::list_all_presets_in(empty.path() / "missing")), kFactoryOrder);
  // Factory entries carry a whole copy of their row.
  for (const auto& e : list) {
    ASSERT_NE(e.factory_preset(), nullptr);
    EXPECT_EQ(e.user_preset(), nullptr);
  }
}

TEST(PresetList, UserFilesMergeByLowercaseNameFactoryFirst) {
  TempDir dir;
  for (const char* file : {"bass.vessimor", "Zed.vessimor", "Init.vessimor", "init.vessimor"}) {
    write_file(dir.path() / file, "not a preset");
  }
  auto list = presets::list_all_presets_in(dir.path());
  const auto got = names(list);
  ASSERT_EQ(got.size(), 32u);
  EXPECT_EQ(got[0], "Ambient Wash");
  EXPECT_EQ(got[1], "bass [user]");
  EXPECT_EQ(got[2], "Bass Transformer");
  EXPECT_EQ(got.back(), "Zed [user]");
  const auto init = std::find(got.begin(), got.end(), "Init") - got.begin();
  // Both user files follow the factory Init; their own order is the folder listing's.
  std::vector<std::string> after_init(got.begin() + init + 1, got.begin() + init + 3);
  std::sort(after_init.begin(), after_init.end());
  EXPECT_EQ(after_init, (std::vector<std::string>{"Init [user]", "init [user]"}));
  EXPECT_EQ(got[init + 3], "Keys Sparkle");

  const auto& bass = list[1];
  ASSERT_NE(bass.user_preset(), nullptr);
  EXPECT_EQ(bass.user_preset()->path, dir.path() / "bass.vessimor");

  const auto infos = presets::to_preset_infos(list);
  ASSERT_EQ(infos.size(), list.size());
  EXPECT_EQ(infos[1].name, "bass");
  EXPECT_FALSE(infos[1].is_factory);
  EXPECT_TRUE(infos[0].is_factory);
}

TEST(PresetList, OnlyExactVessimorExtensionsWithAStemAreListed) {
  TempDir dir;
  for (const char* file :
       {"Upper.Vessimor", "other.txt", "Lead.tmp", ".vessimor", "noext", "a.vessimor.bak"}) {
    write_file(dir.path() / file, "");
  }
  write_file(dir.path() / "..vessimor", "");    // stem "."
  write_file(dir.path() / "a.b.vessimor", "");  // stem "a.b"
  fs::create_directory(dir.path() / "x.vessimor");
  const auto got = names(presets::list_all_presets_in(dir.path()));
  std::vector<std::string> users;
  for (const auto& n : got) {
    if (n.find(" [user]") != std::string::npos) users.push_back(n);
  }
  EXPECT_EQ(users, (std::vector<std::string>{". [user]", "a.b [user]", "x [user]"}));
}

TEST(PresetList, StemRule) {
  EXPECT_EQ(presets::user_preset_stem("Lead.vessimor"), "Lead");
  EXPECT_EQ(presets::user_preset_stem(".vessimor"), std::nullopt);
  EXPECT_EQ(presets::user_preset_stem("Lead.VESSIMOR"), std::nullopt);
  EXPECT_EQ(presets::user_preset_stem("Lead"), std::nullopt);
  EXPECT_EQ(presets::user_preset_stem("bad\xFF\xC3.vessimor"), "bad\uFFFD\uFFFD");
}

TEST(PresetList, InvalidUtf8StemsGetReplacementCharacters) {
  TempDir dir;
  write_file(dir.path() / "caf\xE9.vessimor", "");
  const auto list = presets::list_all_presets_in(dir.path());
  bool found = false;
  for (const auto& e : list) found = found || e.name() == "caf\uFFFD";
  EXPECT_TRUE(found);
}

TEST(PresetList, UnreadableFolderYieldsTheFactoryList) {
  TempDir dir;
  // A file in the folder's place cannot be listed (and root reads folders without permission).
  write_file(dir.path() / "Presets", "x");
  EXPECT_EQ(names(presets::list_all_presets_in(dir.path() / "Presets")), kFactoryOrder);
}

TEST(PresetList, SavedPresetsAppearUnderTheirStem) {
  TempDir home;
  test::ScopedHome scoped(home.path());
  VessimorPreset preset;
  preset.name = "  my/lead ";
  ASSERT_TRUE(presets::save_preset(preset));
  const auto got = names(presets::list_all_presets());
  EXPECT_NE(std::find(got.begin(), got.end(), "my_lead [user]"), got.end());
}

TEST(PresetText, UnicodeLowercaseIsFull) {
  EXPECT_EQ(presets::unicode_lowercase("ÄÖÜ Straße"), "äöü straße");
  EXPECT_EQ(presets::unicode_lowercase("İ"), "i\u0307");  // full mapping: two code points
  EXPECT_EQ(presets::unicode_lowercase("ΟΔΟΣ"), "οδος");  // final sigma
  EXPECT_EQ(presets::unicode_lowercase("ＡＢＣ"), "ａｂｃ");
  EXPECT_EQ(presets::unicode_lowercase("I"), "i");  // not Turkish-tailored
}

TEST(PresetText, Utf8Checks) {
  EXPECT_TRUE(util::is_valid_utf8("plain é \U0001F600"));
  EXPECT_FALSE(util::is_valid_utf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(util::is_valid_utf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(util::is_valid_utf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(util::is_valid_utf8("\xE2\x82"));          // cut short
  // One replacement per maximal ill-formed part.
  EXPECT_EQ(presets::utf8_lossy("a\xE2\x82z"), "a\uFFFDz");
  EXPECT_EQ(presets::utf8_lossy("\xC0\xAF"), "\uFFFD\uFFFD");
}

}  // namespace
}  // namespace vessimor
