// The window's logic against the recording window, on the real file system
// in a scratch folder. The scratch folder lies in the working folder, so that
// the Trash on Linux is on the same volume.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/frm_mirtel.h"
#include "platform/native_file_system.h"
#include "platform/native_path.h"
#include "tests/fakes/fake_codecs.h"
#include "tests/fakes/fake_tick_clock.h"
#include "tests/fakes/recording_window.h"

namespace mirtel {

inline std::string Utf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

inline std::filesystem::path FromUtf8(const std::string& s) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

class AppTest : public ::testing::Test {
 protected:
  AppTest() {
    std::random_device seed;
    root_ = std::filesystem::current_path() /
            ("app-test-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(root_ / "prog");
    fs_ = MakeNativeFileSystem();
    recycler_ = MakeNativeRecycler(*fs_);
    form_ = std::make_unique<FrmMirtel>(
        AppPlatform{win_, win_, *fs_, *recycler_, codec_, clock_, P("prog") + kPathSeparator});
  }
  ~AppTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // The native path of `rel` ("a/b" style) below the scratch folder.
  std::string P(std::string_view rel) const {
    std::string out = Utf8(root_);
    out += kPathSeparator;
    for (char c : rel) out += c == '/' ? kPathSeparator : c;
    return out;
  }
  void MakeDir(std::string_view rel) { std::filesystem::create_directories(FromUtf8(P(rel))); }
  void WriteFile(std::string_view rel, std::string_view content) {
    std::filesystem::path path = FromUtf8(P(rel));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
  }
  bool Exists(std::string_view rel) const {
    std::error_code ec;
    return std::filesystem::exists(FromUtf8(P(rel)), ec);
  }
  std::string ReadFile(std::string_view rel) const {
    std::ifstream in(FromUtf8(P(rel)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // The two folder fields, as the user typed them.
  void Fields(const std::string& moto, const std::string& saki) {
    win_.moto.text = moto;
    win_.saki.text = saki;
  }

  // The twelve controls of the idle/busy switch, all enabled (or disabled).
  void ExpectTwelve(bool on) {
    for (Control c :
         {Control::cmdBackUp, Control::cmdBackMoto, Control::cmdBackSaki, Control::cmdQuit,
          Control::cmbBackMoto, Control::cmbBackSaki, Control::cmdOpenSaki, Control::cmdOpenMoto}) {
      EXPECT_EQ(win_.IsEnabledNow(c), on) << ControlName(c);
    }
    for (MenuItem m : {MenuItem::mnu_cmd_backmoto, MenuItem::mnu_cmd_backsaki,
                       MenuItem::mnu_cmd_copy, MenuItem::mnu_cmd_end}) {
      EXPECT_EQ(win_.IsMenuEnabledNow(m), on) << MenuName(m);
    }
  }
  void ExpectIdle() {
    EXPECT_FALSE(form_->Copying());
    EXPECT_FALSE(win_.busyPointer);
    EXPECT_TRUE(win_.IsVisibleNow(Control::lstResult));
    ExpectTwelve(true);
  }

  std::filesystem::path root_;
  RecordingWindow win_;
  PassThroughCodec codec_;
  FakeTickClock clock_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Recycler> recycler_;
  std::unique_ptr<FrmMirtel> form_;
};

}  // namespace mirtel
