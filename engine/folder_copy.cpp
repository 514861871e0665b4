// The copy walk: FolderCopy and MakeSakiFolder.
#include <exception>

#include "engine/copy_engine.h"
#include "engine/error_text.h"
#include "engine/path_helpers.h"
#include "engine/walk_support.h"
#include "platform/native_path.h"

namespace mirtel {

namespace {

const std::string kSep(1, kPathSeparator);

// Copies one file; a failure is reported on the item and the walk goes on.
void CopyOne(FileSystem& fs, WalkView& view, JobState& state, const std::string& source,
             const std::string& dest, const std::string& name, const char* doneSuffix) {
  try {
    fs.CopyFile(source, dest);
  } catch (const std::exception& e) {
    ++state.FailedCount;
    const std::string text = name + "のコピーに失敗しました：" + ErrorReason(e);
    view.AppendResult(text);
    view.SetStatus(text);
    return;
  }
  ++state.CopiedCount;
  view.AppendResult(name);
  view.SetStatus(name + doneSuffix);
}

void Skip(WalkView& view, const std::string& text) {
  view.AppendResult(text);
  view.SetStatus(text);
}

// A source folder entry: makes its counterpart when needed. True when the
// walk is to descend into it.
bool PrepareFolder(FileSystem& fs, WalkView& view, JobState& state, const std::string& folder,
                   const std::string& name, const std::string& dest, std::uint32_t attrs) {
  if (attrs & kAttrReparsePoint) {
    // Never walked through: no loops and nothing from outside the tree.
    Skip(view, "フォルダ" + name + "はリンクなのでコピーしません");
    return false;
  }
  if (SameFolder(folder + name + kSep, state.SakiFolder)) {
    // The destination lies inside the source; copying it into itself would
    // never end.
    view.SetStatus("フォルダ" + name + "はコピー先なのでコピーしません");
    return false;
  }
  std::uint32_t destAttrs = 0;
  if (ProbeEntry(fs, dest, &destAttrs) == Presence::Present) {
    if (destAttrs & kAttrReparsePoint) {
      ++state.FailedCount;
      Skip(view, "フォルダ" + name + "はコピー先がリンクなのでコピーしません");
      return false;
    }
    if (!(destAttrs & kAttrDirectory)) {
      ++state.FailedCount;
      Skip(view, "フォルダ" + name + "はコピー先に同じ名前のファイルがあるのでコピーしません");
      return false;
    }
    view.SetStatus("フォルダを検索");
    return true;
  }
  // A "RECYCLED" folder without counterpart is neither made nor entered:
  // every copy below it would miss its folder.
  if (name == "RECYCLED") return false;
  fs.MakeFolder(dest);
  view.SetStatus("フォルダ" + name + "を作成");
  return true;
}

void CopyFileEntry(FileSystem& fs, WalkView& view, JobState& state, const std::string& source,
                   const std::string& dest, const std::string& name, std::uint32_t attrs) {
  if (attrs & kAttrReparsePoint) {
    // A link to a file is copied as that file; a broken one has nothing to copy.
    try {
      fs.LastWriteTime(source);
    } catch (const FsError& e) {
      if (e.kind() != FsErrorKind::NotFound) throw;
      Skip(view, name + "はリンク先がないのでコピーしません");
      return;
    }
  }
  std::uint32_t destAttrs = 0;
  bool exists = ProbeEntry(fs, dest, &destAttrs) == Presence::Present;
  if (exists && (destAttrs & kAttrDirectory)) {
    state.FoundFile = true;
    ++state.FailedCount;
    Skip(view, name + "はコピー先に同じ名前のフォルダがあるのでコピーしません");
    return;
  }
  if (exists) {
    state.MotoDate = fs.LastWriteTime(source);
    try {
      state.SakiDate = fs.LastWriteTime(dest);
    } catch (const FsError& e) {
      // A broken link at the destination is simply replaced by the copy.
      if (!(destAttrs & kAttrReparsePoint) || e.kind() != FsErrorKind::NotFound) throw;
      exists = false;
    }
  }
  state.FoundFile = true;
  if (!exists) {
    CopyOne(fs, view, state, source, dest, name, "をコピー");
  } else if (state.MotoDate == state.SakiDate) {
    view.SetStatus("同じ日付です");
  } else if (state.MotoDate < state.SakiDate) {
    view.SetStatus("コピー先の方が新しいです");
  } else {
    CopyOne(fs, view, state, source, dest, name, "を上書きコピー");
  }
}

}  // namespace

namespace walk {

bool Encloses(const std::string& folder, const std::string& inner) {
  const std::string f = folder + PlusYen(folder);
  const std::string i = inner + PlusYen(inner);
  return i.size() >= f.size() && SameFolder(i.substr(0, f.size()), f);
}

}  // namespace walk

void CopyEngine::MakeSakiFolder() {
  try {
    const std::string& moto = state_.MotoFolder;
    const std::size_t length = moto.size();
    std::size_t last = 0;  // 1-based position of the last inner separator
    for (std::size_t i = 1; i <= length; ++i) {
      if (moto[i - 1] == kPathSeparator && i != length) last = i;
    }
    const std::string name = length == 0 ? std::string() : moto.substr(last, length - last - 1);
    try {
      fs_.MakeFolder(state_.SakiFolder + name);
    } catch (const std::exception&) {
      // Mostly there from an earlier job; the caller checks the folder.
    }
    state_.SakiFolder += name;
    state_.SakiFolder += PlusYen(state_.SakiFolder);
  } catch (const std::exception& e) {
    view_.MsgBox(ErrorDescription(e), kMbOk);
  }
}

void CopyEngine::FolderCopy(const std::string& folder) {
  try {
    const std::string pattern = folder + walk::kAllEntries;
    const std::string sakiBase = state_.SakiFolder + walk::Relative(folder, state_);
    std::string name = fs_.ListStart(pattern, kListEverything);
    while (!name.empty()) {
      view_.Yield();
      if (state_.StopFlag) return;
      if (!walk::IsDotEntry(name)) {
        const std::string source = folder + name;
        const std::string dest = sakiBase + name;
        const std::uint32_t attrs = fs_.Attributes(source);
        if (attrs & kAttrDirectory) {
          if (PrepareFolder(fs_, view_, state_, folder, name, dest, attrs)) {
            FolderCopy(source + kSep);
            // The descent used the one listing cursor: pick up after `name`.
            name = fs_.ListResumeAfter(pattern, kListEverything, name);
            continue;
          }
        } else {
          CopyFileEntry(fs_, view_, state_, source, dest, name, attrs);
        }
      }
      name = fs_.ListNext();
    }
  } catch (const std::exception& e) {
    view_.MsgBox(ErrorDescription(e), kMbOk);
  }
}

}  // namespace mirtel
