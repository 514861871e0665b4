#include "job/kept_versions.h"

#include <cstdio>
#include <vector>

#include "engine/error_text.h"
#include "engine/job_roots.h"
#include "engine/path_helpers.h"
#include "engine/walk_support.h"
#include "platform/native_path.h"
#include "text/message.h"

namespace mirtel {

namespace {

std::string Unended(std::string folder) {
  if (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  return folder;
}

// The nearest folder at or above `folder` that is there, "" for none.
std::string NearestPresent(FileSystem& fs, const std::string& folder, std::uint32_t& attrs) {
  for (std::string at = folder; !at.empty(); at = ParentFolder(at)) {
    switch (ProbeEntry(fs, Unended(at), &attrs)) {
      case Presence::Present:
        return at;
      case Presence::Unknown:
        return {};
      case Presence::Absent:
        break;
    }
  }
  return {};
}

// Whether `folder` (there) or a folder above it, links resolved, is `id`;
// `tail` gets the part of `folder` below that one.
bool LiesIn(FileSystem& fs, const std::string& folder, const FileId& id, std::string* tail) {
  std::string resolved;
  try {
    resolved = fs.ResolvedFolder(folder);
  } catch (const FsError&) {
    resolved = folder;
  }
  for (std::string at = resolved; !at.empty(); at = ParentFolder(at)) {
    FileId here;
    if (!fs.Identify(at, here)) return false;
    if (here == id) {
      if (tail != nullptr) *tail = resolved.substr(at.size());
      return true;
    }
  }
  return false;
}

// Deletes `path` and everything in it for good; links are removed, never
// followed. Lists each folder whole before going into its folders: the one
// listing cursor is free again for them.
void RemoveTree(FileSystem& fs, const std::string& path) {
  const std::uint32_t attrs = fs.Attributes(path);
  if ((attrs & kAttrDirectory) && !(attrs & kAttrReparsePoint)) {
    const std::string folder = path + std::string(1, kPathSeparator);
    std::vector<std::string> names;
    for (std::string name = fs.ListStart(folder + walk::kAllEntries, kListEverything);
         !name.empty(); name = fs.ListNext()) {
      if (!walk::IsDotEntry(name)) names.push_back(name);
    }
    for (const std::string& name : names) RemoveTree(fs, folder + name);
  }
  fs.RemoveForGood(path);
}

}  // namespace

std::string VersionsStamp(std::time_t when) {
  std::tm local{};
  if (const std::tm* now = std::localtime(&when)) local = *now;
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

bool ReadVersionsStamp(const std::string& name, std::time_t& when) {
  // Exactly "YYYY-MM-DD_HHMMSS": nothing else in the folder is ours.
  static constexpr std::string_view kForm = "0000-00-00_000000";
  if (name.size() != kForm.size()) return false;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const bool digit = name[i] >= '0' && name[i] <= '9';
    if (kForm[i] == '0' ? !digit : name[i] != kForm[i]) return false;
  }
  const auto number = [&](std::size_t at, std::size_t length) {
    return std::stoi(name.substr(at, length));
  };
  std::tm local{};
  local.tm_year = number(0, 4) - 1900;
  local.tm_mon = number(5, 2) - 1;
  local.tm_mday = number(8, 2);
  local.tm_hour = number(11, 2);
  local.tm_min = number(13, 2);
  local.tm_sec = number(15, 2);
  local.tm_isdst = -1;
  if (local.tm_mon > 11 || local.tm_mday < 1 || local.tm_mday > 31 || local.tm_hour > 23 ||
      local.tm_min > 59 || local.tm_sec > 60) {
    return false;
  }
  when = std::mktime(&local);
  return when != static_cast<std::time_t>(-1);
}

VersionsRefusal CheckVersionsFolder(FileSystem& fs, const JobState& state,
                                    const std::string& folder) {
  std::uint32_t attrs = 0;
  const std::string present = NearestPresent(fs, folder, attrs);
  if (present.empty()) return VersionsRefusal::Unreachable;
  if (!(attrs & kAttrDirectory) || (present == folder && (attrs & kAttrReparsePoint))) {
    return VersionsRefusal::NotAFolder;
  }
  FileId here;
  FileId dest;
  if (!fs.Identify(present, here) || !fs.Identify(state.SakiFolder, dest)) {
    return VersionsRefusal::Unreachable;
  }
  if (here.volume != dest.volume) return VersionsRefusal::OtherVolume;
  FileId source;
  if (fs.Identify(state.MotoFolder, source) && LiesIn(fs, present, source, nullptr)) {
    return VersionsRefusal::InsideSource;
  }
  return VersionsRefusal::None;
}

std::string VersionsRefusalText(VersionsRefusal refusal, const std::string& folder) {
  const std::string shown = Unended(folder);
  switch (refusal) {
    case VersionsRefusal::None:
      return {};
    case VersionsRefusal::NotAFolder:
      return Text(Msg::VersionsNotAFolder, shown);
    case VersionsRefusal::Unreachable:
      return Text(Msg::VersionsUnchecked, shown);
    case VersionsRefusal::OtherVolume:
      return Text(Msg::VersionsOtherVolume, shown);
    case VersionsRefusal::InsideSource:
      return Text(Msg::VersionsInsideSource, shown);
    case VersionsRefusal::IsDestination:
      return Text(Msg::VersionsIsDestination, shown);
  }
  return {};
}

VersionsRefusal UseVersionsFolder(FileSystem& fs, JobState& state, const std::string& folder,
                                  std::time_t when) {
  state.VersionsFolder = folder + VersionsStamp(when) + std::string(1, kPathSeparator);
  state.VersionsBelowSaki.clear();
  std::uint32_t attrs = 0;
  const std::string present = NearestPresent(fs, folder, attrs);
  std::string tail;
  if (present.empty() || !state.SakiIdKnown || !LiesIn(fs, present, state.SakiId, &tail)) {
    return VersionsRefusal::None;
  }
  state.VersionsBelowSaki = tail + folder.substr(present.size());
  if (state.VersionsBelowSaki.empty()) return VersionsRefusal::IsDestination;
  return VersionsRefusal::None;
}

void DropOldVersions(FileSystem& fs, WalkView& view, JobState& state, const std::string& folder,
                     int days, std::time_t now) {
  std::vector<std::string> old;
  try {
    for (std::string name = fs.ListStart(folder + walk::kAllEntries, kListEverything);
         !name.empty(); name = fs.ListNext()) {
      std::time_t when = 0;
      if (ReadVersionsStamp(name, when) && now - when > static_cast<std::time_t>(days) * 86400) {
        old.push_back(name);
      }
    }
  } catch (const std::exception& e) {
    ++state.FailedCount;
    view.AppendResult(Text(Msg::VersionsUnreadable, Unended(folder), ErrorReason(e)));
    return;
  }
  for (const std::string& name : old) {
    const std::string path = folder + name;
    std::uint32_t attrs = 0;
    FsErrorKind why = FsErrorKind::Other;
    // Only folders of ours: a file or a link of such a name is the user's.
    if (!fs.TryAttributes(path, attrs, why) || !(attrs & kAttrDirectory) ||
        (attrs & kAttrReparsePoint)) {
      continue;
    }
    if (state.DryRun) {
      view.AppendResult(Text(Msg::WouldDropOldVersion, name));
      continue;
    }
    try {
      RemoveTree(fs, path);
      view.AppendResult(Text(Msg::OldVersionDropped, name));
    } catch (const std::exception& e) {
      ++state.FailedCount;
      view.AppendResult(Text(Msg::OldVersionNotDropped, name, ErrorReason(e)));
    }
  }
}

}  // namespace mirtel
