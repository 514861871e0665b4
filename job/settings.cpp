#include "job/settings.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

namespace mirtel {

namespace {

// An entry that starts with this mark holds UTF-8: the form of a text the code
// page cannot represent, which would otherwise be lost or turned into '?'.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::size_t kMaxEntryBytes = 0xFFFF;  // the byte count is 16-bit

std::int32_t ClampCount(std::int64_t count) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(count, 0, kHistorySize));
}

// The longest prefix of `text` within `limit` bytes that does not split a
// UTF-8 character.
std::string_view CutUtf8(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t n = limit;
  for (int back = 0; back < 3 && n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80;
       ++back) {
    --n;
  }
  return text.substr(0, n);
}

std::string EntryBytes(const std::string& text, AnsiCodec& codec) {
  if (text.empty()) return {};
  std::optional<std::string> ansi = codec.ToAnsi(text);
  // A code-page text that itself begins with the mark would read back as
  // UTF-8, so it takes the UTF-8 form too.
  if (ansi && ansi->size() <= kMaxEntryBytes && !ansi->starts_with(kUtf8Mark)) return *ansi;
  std::string out(kUtf8Mark);
  out += CutUtf8(text, kMaxEntryBytes - kUtf8Mark.size());
  return out;
}

std::string EntryText(std::string_view bytes, AnsiCodec& codec) {
  if (bytes.starts_with(kUtf8Mark)) return std::string(bytes.substr(kUtf8Mark.size()));
  return codec.FromAnsi(bytes);
}

void PutU16(std::string& out, std::size_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void PutI32(std::string& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((bits >> shift) & 0xFF);
}

// Reads the record's fields in order; once a field runs past the end, every
// later read fails too.
class RecordReader {
 public:
  explicit RecordReader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<std::string_view> Entry() {
    if (failed_ || bytes_.size() - pos_ < 2) return Fail();
    const std::size_t n = Byte(pos_) | (Byte(pos_ + 1) << 8);
    if (bytes_.size() - pos_ - 2 < n) return Fail();
    std::string_view entry = bytes_.substr(pos_ + 2, n);
    pos_ += 2 + n;
    return entry;
  }

  std::optional<std::int32_t> Count() {
    if (failed_ || bytes_.size() - pos_ < 4) {
      failed_ = true;
      return std::nullopt;
    }
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | Byte(pos_ + static_cast<std::size_t>(i));
    pos_ += 4;
    return static_cast<std::int32_t>(bits);
  }

 private:
  std::size_t Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  std::nullopt_t Fail() {
    failed_ = true;
    return std::nullopt;
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// How many entries from index 0 on hold a text: the count of a list whose
// count field is missing from a cut-short file.
std::int32_t LeadingEntries(const std::array<std::string, kHistorySize>& entries) {
  std::int32_t n = 0;
  while (n < kHistorySize && !entries[static_cast<std::size_t>(n)].empty()) ++n;
  return n;
}

// The combo box's list shows the history newest first, its text the newest.
void Refill(ComboBox& combo, const std::array<std::string, kHistorySize>& entries,
            std::int32_t count) {
  combo.Clear();
  for (std::int32_t i = count - 1; i >= 0; --i) {
    combo.AddItem(entries[static_cast<std::size_t>(i)]);
  }
  combo.SetText(entries[static_cast<std::size_t>(count - 1)]);
}

void FillCombo(ComboBox& combo, const std::array<std::string, kHistorySize>& entries,
               std::int32_t count) {
  if (count == 0) {
    combo.SetText(entries[0]);
  } else {
    Refill(combo, entries, count);
  }
}

}  // namespace

std::string EncodeSettings(const SettingsRecord& record, AnsiCodec& codec) {
  std::string out;
  for (const auto* list : {&record.MotoHistory, &record.SakiHistory}) {
    for (const std::string& text : *list) {
      const std::string bytes = EntryBytes(text, codec);
      PutU16(out, bytes.size());
      out += bytes;
    }
  }
  PutI32(out, record.MotoCount);
  PutI32(out, record.SakiCount);
  return out;
}

SettingsRecord DecodeSettings(const std::string& bytes, AnsiCodec& codec) {
  SettingsRecord record;
  RecordReader reader(bytes);
  for (auto* list : {&record.MotoHistory, &record.SakiHistory}) {
    for (std::string& text : *list) {
      const std::optional<std::string_view> entry = reader.Entry();
      if (!entry) break;
      text = EntryText(*entry, codec);
    }
  }
  // Bytes after the record are ignored. A file cut short keeps its whole
  // entries, and a list whose count is missing counts its leading entries.
  const std::optional<std::int32_t> moto = reader.Count();
  const std::optional<std::int32_t> saki = reader.Count();
  record.MotoCount = moto ? ClampCount(*moto) : LeadingEntries(record.MotoHistory);
  record.SakiCount = saki ? ClampCount(*saki) : LeadingEntries(record.SakiHistory);
  return record;
}

void LoadSettings(SettingsRecord& record, const std::string& path, FileSystem& fs, AnsiCodec& codec,
                  ComboBox& moto, ComboBox& saki) {
  std::string bytes;
  try {
    bytes = fs.ReadFile(path);
  } catch (const FsError& error) {
    if (error.kind() != FsErrorKind::NotFound) throw;
    fs.WriteFileAtomically(path, {});
  }
  record = DecodeSettings(bytes, codec);
  FillCombo(moto, record.MotoHistory, record.MotoCount);
  FillCombo(saki, record.SakiHistory, record.SakiCount);
}

void AddHistory(std::array<std::string, kHistorySize>& entries, std::int32_t& count,
                ComboBox& combo, const std::string& text, bool& found) {
  const std::int32_t n = ClampCount(count);
  for (std::int32_t i = 0; i < n; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (entries[at] != text) continue;
    found = true;
    // A full list, or the newest entry used again, stays as it is; the combo
    // list keeps its order until its next refill.
    if (n < kHistorySize && !entries[at + 1].empty()) {
      for (auto j = at; j + 1 < static_cast<std::size_t>(n); ++j) entries[j] = entries[j + 1];
      entries[static_cast<std::size_t>(n - 1)] = text;
    }
    return;
  }
  if (n == kHistorySize) {
    std::move(entries.begin() + 1, entries.end(), entries.begin());
    entries[kHistorySize - 1] = text;
    count = kHistorySize;
  } else {
    entries[static_cast<std::size_t>(n)] = text;
    count = n + 1;
  }
  Refill(combo, entries, count);
}

void SaveSettings(const SettingsRecord& record, const std::string& path, FileSystem& fs,
                  AnsiCodec& codec) {
  fs.WriteFileAtomically(path, EncodeSettings(record, codec));
}

}  // namespace mirtel
