// The running system's codec and tick clock (CMake picks the implementation
// file for the platform), and a scratch folder that is removed afterwards.
#pragma once

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "platform/ansi_codec.h"
#include "platform/native_file_system.h"
#include "platform/tick_clock.h"

namespace mirtel {

std::unique_ptr<AnsiCodec> NewSystemAnsiCodec();
std::unique_ptr<TickClock> NewSystemTickClock();

class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    dir_ = std::filesystem::temp_directory_path() /
           ("mirtel-test-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(dir_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::filesystem::path Native(std::string_view name) const { return dir_ / name; }
  // The UTF-8 path that the FileSystem interface takes.
  std::string Path(std::string_view name) const {
    const std::u8string utf8 = Native(name).u8string();
    return std::string(reinterpret_cast<const char*>(utf8.data()), utf8.size());
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace mirtel
