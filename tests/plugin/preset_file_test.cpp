#include "plugin/preset_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "plugin/factory_presets.hpp"
#include "tests/plugin/preset_test_dir.hpp"

namespace vessimor {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::TempDir;
using test::write_file;

const char* const kInitText = R"({
  "name": "Init",
  "input_gain": 0.0,
  "mix": 0.5,
  "output_gain": 0.0,
  "stereo_width": 1.0,
  "lock_freq": 440.0,
  "carrier_mode": 0,
  "carrier_env_amount": 0.0,
  "mode_cycle_enable": false,
  "mode_cycle_div": 0,
  "formant_position": 0.5,
  "formant_width": 0.5,
  "formant_morph_rate": 0.0,
  "stoch_spread": 0.3,
  "stoch_density": 0.5,
  "stoch_smoothing": 0.5,
  "swarm_count": 4,
  "swarm_spread": 0.2,
  "swarm_drift": 0.3,
  "trig_div": 1,
  "trig_amount": 0.0,
  "char_mode": 0,
  "char_amount": 0.5,
  "comb_feedback": 0.0,
  "comb_tuning": 440.0,
  "comb_mix": 0.0,
  "lock_motion_enable": false,
  "lock_motion_rate": 4,
  "lock_motion_depth": 0.5,
  "lock_motion_shape": 0
})";

// The Init text with the member of `key` replaced by `line` (removed when `line` is empty).
std::string init_text_with(const std::string& key, const std::string& line) {
  std::vector<std::string> members;
  std::string text = kInitText;
  for (std::size_t at = 2; at < text.size();) {
    const auto end = text.find_first_of(",\n", text.find(':', at));
    members.push_back(text.substr(at + 2, end - at - 2));  // without the two-space indent
    at = text[end] == ',' ? end + 2 : text.size();
  }
  std::string out = "{";
  for (const auto& member : members) {
    const bool match = member.rfind("\"" + key + "\":", 0) == 0;
    if (match && line.empty()) continue;
    out += (out.size() > 1 ? ",\n  " : "\n  ") + (match ? line : member);
  }
  return out + "\n}";
}

// The names in a folder, sorted.
std::vector<std::string> folder_names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::string load_error(const std::string& text) {
  auto result = presets::preset_from_file_bytes(text);
  return result ? std::string("loaded") : result.error().text();
}

TEST(PresetFile, WritesTheExactPrettyText) {
  TempDir dir;
  auto path = presets::save_preset_in(dir.path(), FACTORY_PRESETS[0]);
  ASSERT_TRUE(path) << path.error().text();
  EXPECT_EQ(path.value(), dir.path() / "Init.vessimor");
  EXPECT_EQ(read_file(path.value()), kInitText);
  EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"Init.vessimor"});
}

TEST(PresetFile, QuotesNamesAsJsonStrings) {
  VessimorPreset preset;
  preset.name = "say \"hi\"\\\n\x01 é/";
  auto text = presets::preset_to_json(preset);
  ASSERT_TRUE(text);
  EXPECT_NE(text.value().find(R"("name": "say \"hi\"\\\n\u0001 é/",)"), std::string::npos)
      << text.value();
}

TEST(PresetFile, NameThatIsNotUtf8CannotBeWritten) {
  TempDir dir;
  VessimorPreset preset;
  preset.name = "bad\xFF";
  auto result = presets::save_preset_in(dir.path(), preset);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), PresetError::Kind::Json);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(PresetFile, FileNameRule) {
  EXPECT_EQ(presets::preset_file_name("a/b: c?"), "a_b_ c_.vessimor");
  EXPECT_EQ(presets::preset_file_name("\"*/:<>?\\|"), "_________.vessimor");
  EXPECT_EQ(presets::preset_file_name("  Lead  "), "Lead.vessimor");
  EXPECT_EQ(presets::preset_file_name("   "), ".vessimor");
  EXPECT_EQ(presets::preset_file_name(""), ".vessimor");
  // Unicode white space (ideographic space, no-break space) is trimmed; inner spaces, dots,
  // control characters and other text stay.
  EXPECT_EQ(presets::preset_file_name("\u3000Pad\u00A0"), "Pad.vessimor");
  EXPECT_EQ(presets::preset_file_name(".hidden a.b\x07"), ".hidden a.b\x07.vessimor");
  EXPECT_EQ(presets::preset_file_name("Käse"), "Käse.vessimor");
}

TEST(PresetFile, TrimmedFileNameKeepsTheNameInside) {
  TempDir dir;
  VessimorPreset preset;
  preset.name = "  Lead  ";
  auto path = presets::save_preset_in(dir.path(), preset);
  ASSERT_TRUE(path);
  EXPECT_EQ(path.value().filename(), "Lead.vessimor");
  auto loaded = presets::load_preset(path.value());
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded.value().name, "  Lead  ");
}

TEST(PresetFile, SaveReplacesAnExistingFileAndCreatesTheFolder) {
  TempDir dir;
  const fs::path folder = dir.path() / "a" / "b";
  VessimorPreset preset;
  preset.name = "Lead";
  preset.mix = 0.25f;
  ASSERT_TRUE(presets::save_preset_in(folder, preset));
  preset.mix = 0.75f;
  auto path = presets::save_preset_in(folder, preset);
  ASSERT_TRUE(path);
  auto loaded = presets::load_preset(path.value());
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded.value().mix, 0.75f);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(PresetFile, EveryFactoryPresetSurvivesSaveAndLoad) {
  TempDir dir;
  for (const auto& row : FACTORY_PRESETS) {
    auto path = presets::save_preset_in(dir.path(), row);
    ASSERT_TRUE(path) << row.name;
    auto loaded = presets::load_preset(path.value());
    ASSERT_TRUE(loaded) << row.name << ": " << loaded.error().text();
    EXPECT_EQ(loaded.value(), row) << row.name;
  }
}

TEST(PresetFile, ExtremeFloatsSurviveSaveAndLoad) {
  TempDir dir;
  VessimorPreset preset;
  preset.name = "edge";
  preset.mix = std::numeric_limits<float>::max();
  preset.input_gain = std::numeric_limits<float>::denorm_min();
  preset.output_gain = -1.5e-7f;
  preset.lock_freq = 1e13f;
  preset.swarm_count = std::numeric_limits<std::int32_t>::min();
  preset.carrier_mode = 255;
  auto path = presets::save_preset_in(dir.path(), preset);
  ASSERT_TRUE(path);
  auto loaded = presets::load_preset(path.value());
  ASSERT_TRUE(loaded) << loaded.error().text();
  EXPECT_EQ(loaded.value(), preset);
}

TEST(PresetFile, NonFiniteFloatIsWrittenAsNullAndRefusedOnLoad) {
  TempDir dir;
  VessimorPreset preset;
  preset.name = "bad";
  preset.mix = std::numeric_limits<float>::quiet_NaN();
  preset.comb_mix = -std::numeric_limits<float>::infinity();
  auto path = presets::save_preset_in(dir.path(), preset);
  ASSERT_TRUE(path);
  const std::string text = read_file(path.value());
  EXPECT_NE(text.find("\"mix\": null,"), std::string::npos);
  EXPECT_NE(text.find("\"comb_mix\": null,"), std::string::npos);
  auto loaded = presets::load_preset(path.value());
  ASSERT_FALSE(loaded);
  EXPECT_EQ(loaded.error().kind(), PresetError::Kind::Json);
  EXPECT_EQ(loaded.error().text(), "JSON error: invalid type: null, expected f32");
}

TEST(PresetFile, DefaultedKeysTakeTheirDefaults) {
  std::string text = kInitText;
  for (const char* key : {"comb_tuning", "lock_motion_rate", "input_gain", "lock_motion_shape",
                          "stereo_width", "mode_cycle_enable"}) {
    text = init_text_with(key, "");
    auto loaded = presets::preset_from_file_bytes(text);
    ASSERT_TRUE(loaded) << key << ": " << loaded.error().text();
    EXPECT_EQ(loaded.value(), FACTORY_PRESETS[0]) << key;
  }
  VessimorPreset other = FACTORY_PRESETS[27];  // Combover: comb_tuning 50.6, rate 1
  auto saved = presets::preset_to_json(other);
  ASSERT_TRUE(saved);
  std::string trimmed = saved.value();
  for (const char* key : {"comb_tuning", "lock_motion_rate"}) {
    const auto at = trimmed.find(std::string("\n  \"") + key);
    trimmed.erase(at, trimmed.find('\n', at + 1) - at);
  }
  auto loaded = presets::preset_from_file_bytes(trimmed);
  ASSERT_TRUE(loaded) << loaded.error().text();
  EXPECT_EQ(loaded.value().comb_tuning, 440.0f);
  EXPECT_EQ(loaded.value().lock_motion_rate, 4);
}

TEST(PresetFile, MissingRequiredKeyNamesTheFirstOne) {
  EXPECT_EQ(load_error(init_text_with("mix", "")), "JSON error: missing field `mix`");
  std::string text = init_text_with("char_amount", "");
  text.replace(text.find("\"name\": \"Init\","), 15, "");
  EXPECT_EQ(load_error(text), "JSON error: missing field `name`");
  EXPECT_EQ(load_error("{}"), "JSON error: missing field `name`");
}

TEST(PresetFile, UnknownKeysAreSkippedAndDuplicatesRefused) {
  auto loaded = presets::preset_from_file_bytes(
      init_text_with("mix", R"("version": [1, {"mix": "x"}], "mix": 0.5, "Mix": null)"));
  ASSERT_TRUE(loaded) << loaded.error().text();
  EXPECT_EQ(loaded.value(), FACTORY_PRESETS[0]);

  EXPECT_EQ(load_error(init_text_with("mix", R"("mix": 0.5, "mix": 0.5)")),
            "JSON error: duplicate field `mix`");
}

TEST(PresetFile, ValuesMustHaveTheirFieldsTypes) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {R"("mix": "0.5")", "invalid type: string \"0.5\", expected f32"},
      {R"("mix": [0.5])", "invalid type: sequence, expected f32"},
      {R"("name": 3)", "invalid type: integer `3`, expected a string"},
      {R"("carrier_mode": 256)", "invalid value: integer `256`, expected u8"},
      {R"("carrier_mode": -1)", "invalid value: integer `-1`, expected u8"},
      {R"("carrier_mode": 1.0)", "invalid type: floating point `1`, expected u8"},
      {R"("swarm_count": 2147483648)", "invalid value: integer `2147483648`, expected i32"},
      {R"("mode_cycle_enable": 1)", "invalid type: integer `1`, expected a boolean"},
      {R"("lock_motion_enable": {})", "invalid type: map, expected a boolean"},
  };
  for (const auto& c : cases) {
    const std::string key = std::string(c.line).substr(1, std::string(c.line).find('"', 1) - 1);
    EXPECT_EQ(load_error(init_text_with(key, c.line)), std::string("JSON error: ") + c.error)
        << c.line;
  }
}

TEST(PresetFile, NumbersAreReadAsNearestFloatsAndRangesAreNotChecked) {
  auto loaded = presets::preset_from_file_bytes(init_text_with("mix", R"("mix": 2)"));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded.value().mix, 2.0f);
  loaded = presets::preset_from_file_bytes(init_text_with("mix", R"("mix": 0.1000000000001)"));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded.value().mix, 0.1f);
  loaded = presets::preset_from_file_bytes(init_text_with("carrier_mode", R"("carrier_mode": 7)"));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded.value().carrier_mode, 7);
  EXPECT_EQ(loaded.value().to_param_values()[5].value, 3.5f);
}

TEST(PresetFile, ArrayFormHoldsTheValuesInRecordOrder) {
  const std::string all30 =
      R"(["Init", 0, 0.5, 0, 1, 440, 0, 0, false, 0, 0.5, 0.5, 0, 0.3, 0.5, 0.5, 4, 0.2, 0.3, 1,
          0, 0, 0.5, 0, 440, 0, false, 4, 0.5, 0])";
  auto loaded = presets::preset_from_file_bytes(all30);
  ASSERT_TRUE(loaded) << loaded.error().text();
  EXPECT_EQ(loaded.value(), FACTORY_PRESETS[0]);

  // The last seven are defaulted: an array that stops before them still reads.
  const std::string first23 =
      R"(["Init", 0, 0.5, 0, 1, 440, 0, 0, false, 0, 0.5, 0.5, 0, 0.3, 0.5, 0.5, 4, 0.2, 0.3, 1,
          0, 0, 0.5])";
  loaded = presets::preset_from_file_bytes(first23);
  ASSERT_TRUE(loaded) << loaded.error().text();
  EXPECT_EQ(loaded.value(), FACTORY_PRESETS[0]);

  EXPECT_EQ(load_error(R"(["Init", 0, 0.5, 0])"),
            "JSON error: invalid length 5, expected struct VessimorPreset with 30 elements");
  EXPECT_EQ(load_error("[]"),
            "JSON error: invalid length 0, expected struct VessimorPreset with 30 elements");
  EXPECT_EQ(load_error(all30.substr(0, all30.size() - 1) + ", 1]"),
            "JSON error: invalid length 31, expected struct VessimorPreset with 30 elements");
}

TEST(PresetFile, OtherTextIsRefused) {
  EXPECT_EQ(load_error(R"("Init")"),
            "JSON error: invalid type: string \"Init\", expected struct VessimorPreset");
  EXPECT_EQ(load_error("42"),
            "JSON error: invalid type: integer `42`, expected struct VessimorPreset");
  EXPECT_EQ(load_error(std::string(kInitText) + " \n\t"), "loaded");
  for (const std::string& bad : {std::string(kInitText) + " {}", std::string(kInitText) + "x",
                                 std::string(kInitText).substr(0, 100), std::string(""),
                                 std::string("{\"name\": \"a\",}")}) {
    const std::string error = load_error(bad);
    EXPECT_EQ(error.rfind("JSON error: ", 0), 0u) << error;
  }
}

TEST(PresetFile, UnreadableFilesAreIoErrors) {
  TempDir dir;
  auto missing = presets::load_preset(dir.path() / "none.vessimor");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().text(), "IO error: No such file or directory");

  // Invalid UTF-8 anywhere in the file, even where JSON would not look (a lone surrogate).
  write_file(dir.path() / "bad.vessimor", init_text_with("name", "\"name\": \"\xED\xA0\x80\""));
  auto bad = presets::load_preset(dir.path() / "bad.vessimor");
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().kind(), PresetError::Kind::Io);

  auto folder = presets::load_preset(dir.path());
  ASSERT_FALSE(folder);
  EXPECT_EQ(folder.error().kind(), PresetError::Kind::Io);
}

TEST(PresetFile, SpecialFilesNeitherBlockNorRedirect) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "pipe.vessimor").c_str(), 0600), 0);
  auto read = presets::load_preset(dir.path() / "pipe.vessimor");
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error().text(), "IO error: not a regular file");

  // Whatever a crash or someone else left under a "<name>.tmp" (a FIFO, a link, a folder, a half
  // file) neither blocks that name's saves nor is written through; each save has its own.
  ASSERT_EQ(::mkfifo((dir.path() / "Pipe.tmp").c_str(), 0600), 0);
  write_file(dir.path() / "elsewhere", "keep");
  fs::create_symlink(dir.path() / "elsewhere", dir.path() / "Link.tmp");
  fs::create_directory(dir.path() / "Folder.tmp");
  write_file(dir.path() / "Half.tmp", "{");
  for (const char* name : {"Pipe", "Link", "Folder", "Half"}) {
    VessimorPreset preset;
    preset.name = name;
    auto saved = presets::save_preset_in(dir.path(), preset);
    ASSERT_TRUE(saved) << name << ": " << saved.error().text();
    EXPECT_TRUE(presets::load_preset(saved.value())) << name;
  }
  EXPECT_EQ(read_file(dir.path() / "elsewhere"), "keep");
  EXPECT_EQ(read_file(dir.path() / "Half.tmp"), "{");
  EXPECT_EQ(folder_names(dir.path()),
            (std::vector<std::string>{"Folder.tmp", "Folder.vessimor", "Half.tmp", "Half.vessimor",
                                      "Link.tmp", "Link.vessimor", "Pipe.tmp", "Pipe.vessimor",
                                      "elsewhere", "pipe.vessimor"}));
}

TEST(PresetFile, NamesWithoutAUsableFileNameAreRefusedAndWriteNothing) {
  TempDir dir;
  VessimorPreset preset;
  preset.name = std::string("evil\0name", 9);
  auto result = presets::save_preset_in(dir.path() / "Presets", preset);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().text(), "IO error: file name contained an unexpected NUL byte");
  EXPECT_TRUE(fs::is_empty(dir.path()));

  // Blank once trimmed: it would be written as ".vessimor", which the list never shows.
  for (const char* blank : {"", " ", "\t\n", "\u3000\u00A0\u2028"}) {
    preset.name = blank;
    result = presets::save_preset_in(dir.path() / "Presets", preset);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().text(), "IO error: preset name is empty or only white space");
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));

  auto load = presets::load_preset(dir.path() / std::string("a\0b.vessimor", 12));
  ASSERT_FALSE(load);
  EXPECT_EQ(load.error().kind(), PresetError::Kind::Io);
}

TEST(PresetFile, FolderFailuresAreReported) {
  EXPECT_EQ(presets::save_preset_in(std::nullopt, VessimorPreset{}).error().text(),
            "Could not find preset directory");

  TempDir dir;
  write_file(dir.path() / "file", "x");
  auto blocked = presets::save_preset_in(dir.path() / "file" / "Presets", VessimorPreset{});
  ASSERT_FALSE(blocked);
  EXPECT_EQ(blocked.error().text().rfind("IO error: ", 0), 0u) << blocked.error().text();
}

TEST(PresetFile, FailedRenameKeepsThePreviousEntryAndRemovesTheTemporaryFile) {
  TempDir dir;
  // A folder that is not empty in the preset file's place cannot be replaced by a file.
  fs::create_directory(dir.path() / "Keep.vessimor");
  write_file(dir.path() / "Keep.vessimor" / "inside", "x");
  VessimorPreset preset;
  preset.name = "Keep";
  auto result = presets::save_preset_in(dir.path(), preset);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind(), PresetError::Kind::Io);
  EXPECT_EQ(folder_names(dir.path()), std::vector<std::string>{"Keep.vessimor"});
  EXPECT_EQ(read_file(dir.path() / "Keep.vessimor" / "inside"), "x");
}

TEST(PresetFile, FilesOverOneMebibyteAreRefused) {
  TempDir dir;
  // The Init text padded with blanks to exactly the cap still loads; one byte more does not.
  std::string text = kInitText;
  text.resize(presets::kMaxPresetFileBytes, ' ');
  write_file(dir.path() / "Full.vessimor", text);
  EXPECT_TRUE(presets::load_preset(dir.path() / "Full.vessimor"));
  write_file(dir.path() / "Over.vessimor", text + " ");
  auto over = presets::load_preset(dir.path() / "Over.vessimor");
  ASSERT_FALSE(over);
  EXPECT_EQ(over.error().text(), "IO error: preset file is larger than 1 MiB");
}

TEST(PresetFile, PresetsDirFollowsTheHomeFolder) {
  TempDir home;
  test::ScopedHome scoped(home.path());
  auto dir = presets::get_presets_dir();
  ASSERT_TRUE(dir);
#if defined(__APPLE__)
  EXPECT_EQ(*dir, home.path() / "Library/Application Support/Quorvane/Vessimor/Presets");
#else
  EXPECT_EQ(*dir, home.path() / ".local/share/Quorvane/Vessimor/Presets");
#endif
  EXPECT_FALSE(fs::exists(*dir));  // finding the folder creates nothing

  auto path = presets::save_preset(FACTORY_PRESETS[2]);
  ASSERT_TRUE(path) << path.error().text();
  EXPECT_EQ(path.value(), *dir / "Robot Voice.vessimor");
}

}  // namespace
}  // namespace vessimor
