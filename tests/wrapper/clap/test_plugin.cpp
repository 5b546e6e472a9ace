#include "tests/wrapper/clap/test_plugin.hpp"

namespace vessimor::test {

TestProbe& probe() {
  static TestProbe instance;
  return instance;
}

TestEditorLog& editor_log() {
  static TestEditorLog instance;
  return instance;
}

}  // namespace vessimor::test
