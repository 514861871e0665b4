// The two ten-entry folder histories and their file mirtel.dat.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/ansi_codec.h"
#include "platform/combo_box.h"
#include "platform/file_system.h"

namespace mirtel {

inline constexpr int kHistorySize = 10;

struct SettingsRecord {
  std::array<std::string, kHistorySize> MotoHistory;  // oldest at 0
  std::array<std::string, kHistorySize> SakiHistory;
  std::int32_t MotoCount = 0;
  std::int32_t SakiCount = 0;
};

// The bytes of mirtel.dat for `record`, and back. Parsing never fails: a
// damaged file yields what is whole, with the counts clamped to 0..10.
std::string EncodeSettings(const SettingsRecord& record, AnsiCodec& codec);
SettingsRecord DecodeSettings(const std::string& bytes, AnsiCodec& codec);

// Reads `path` into `record` (creating an empty file when it is missing) and
// fills both combo boxes. Throws on a file that can be neither read nor
// created.
void LoadSettings(SettingsRecord& record, const std::string& path, FileSystem& fs, AnsiCodec& codec,
                  ComboBox& moto, ComboBox& saki);

// Records `text` in one history (`entries`, `count`); refills `combo` when
// the text was new. Sets `found` when the text was already listed.
void AddHistory(std::array<std::string, kHistorySize>& entries, std::int32_t& count,
                ComboBox& combo, const std::string& text, bool& found);

// Replaces `path` with the record, atomically. Throws on failure.
void SaveSettings(const SettingsRecord& record, const std::string& path, FileSystem& fs,
                  AnsiCodec& codec);

}  // namespace mirtel
