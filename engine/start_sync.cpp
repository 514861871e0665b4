// The sync walk: StartSync and its removal through FileCopySub.
#include <exception>

#include "engine/copy_engine.h"
#include "engine/error_text.h"
#include "engine/path_helpers.h"
#include "engine/walk_support.h"
#include "platform/native_path.h"

namespace mirtel {

namespace {

const std::string kSep(1, kPathSeparator);

void Report(WalkView& view, const std::string& text) {
  view.AppendResult(text);
  view.SetStatus(text);
}

// Pruning trusts an absent source name only when the source root itself is
// there, readable and not empty: an unplugged drive or a failed mount must
// not empty the destination.
bool SourceCanBePruned(FileSystem& fs, WalkView& view, const std::string& motoRoot) {
  const char* why = nullptr;
  switch (ProbeEntry(fs, motoRoot)) {
    case Presence::Absent:
      why = "コピー元のフォルダが見つからないため";
      break;
    case Presence::Unknown:
      why = "コピー元のフォルダを確かめられないため";
      break;
    case Presence::Present:
      try {
        std::string name = fs.ListStart(motoRoot + walk::kAllEntries, kListEverything);
        while (walk::IsDotEntry(name)) name = fs.ListNext();
        if (name.empty()) why = "コピー元のフォルダが空のため";
      } catch (const std::exception&) {
        why = "コピー元のフォルダを読めないため";
      }
      break;
  }
  if (why == nullptr) return true;
  const std::string text = std::string(why) + "、同期の削除はしませんでした";
  Report(view, text);
  view.MsgBox(text, kMbOk);
  return false;
}

}  // namespace

void CopyEngine::StartSync(const std::string& folder, const std::string& motoRoot) {
  try {
    const std::string relative = walk::Relative(folder, state_);
    if (relative.empty()) {
      if (state_.StopFlag) return;
      if (!SourceCanBePruned(fs_, view_, motoRoot)) return;
    }
    const std::string pattern = folder + walk::kAllEntries;
    std::string name = fs_.ListStart(pattern, kListEverything);
    while (!name.empty()) {
      view_.Yield();
      if (state_.StopFlag) return;
      if (!walk::IsDotEntry(name)) {
        const std::string path = folder + name;
        const std::string counterpart = motoRoot + relative + name;
        const std::uint32_t attrs = fs_.Attributes(path);
        const Presence presence = ProbeEntry(fs_, counterpart);
        // A link, even one to a folder, is an item of its own: it goes
        // itself and is never walked through.
        const bool isFolder = (attrs & kAttrDirectory) && !(attrs & kAttrReparsePoint);
        const std::string label = isFolder ? "フォルダ" + name : name;
        if (presence == Presence::Present) {
          if (isFolder) {
            view_.SetStatus("フォルダを検索");
            StartSync(path + kSep, motoRoot);
            name = fs_.ListResumeAfter(pattern, kListEverything, name);
            continue;
          }
        } else if (presence == Presence::Unknown) {
          Report(view_, label + "はコピー元を確かめられないので残しました");
        } else if (isFolder && name == "RECYCLED") {
          // Kept as it is, and not entered: all it holds lacks a counterpart.
        } else if (isFolder && walk::Encloses(path, motoRoot)) {
          // The source lies in it: never remove the source itself.
          Report(view_, label + "はコピー元を含むので削除しません");
          if (!SameFolder(path + kSep, motoRoot)) {
            StartSync(path + kSep, motoRoot);
            name = fs_.ListResumeAfter(pattern, kListEverything, name);
            continue;
          }
        } else if (!(isFolder && state_.FailedRemovals.count(path) != 0)) {
          if (FileCopySub(path, std::string(), kFoDelete, kSyncDeleteFlags)) {
            ++state_.RemovedCount;
            Report(view_, isFolder ? name + "フォルダを削除" : name + "を削除");
          } else {
            ++state_.FailedCount;
            if (isFolder) state_.FailedRemovals.insert(path);
            Report(view_, label + "を削除できませんでした：" + state_.LastRemovalError);
          }
          // The listing goes on with the entry after it; the removed item
          // needs no visit.
        }
      }
      name = fs_.ListNext();
    }
  } catch (const std::exception& e) {
    view_.MsgBox("StartSyncでエラー", kMbOk);
    view_.MsgBox(ErrorDescription(e), kMbOk);
  }
}

bool CopyEngine::FileCopySub(const std::string& from, [[maybe_unused]] const std::string& to,
                             std::int32_t operation, [[maybe_unused]] std::uint16_t flags) {
  try {
    std::string path = from;
    if (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
    // Only removal is asked for, and it always goes to the Recycle Bin /
    // Trash, whatever the flags: nothing is ever deleted for good.
    if (operation != kFoDelete) {
      throw FsError(FsErrorKind::Other, path, "この操作には対応していません");
    }
    recycler_.MoveToRecycleBin(path);
    return true;
  } catch (const std::exception& e) {
    state_.LastRemovalError = ErrorReason(e);
    if (!state_.RemovalErrorShown) {
      state_.RemovalErrorShown = true;
      view_.MsgBox("FileCopySubでエラー", kMbOk);
      view_.MsgBox(ErrorDescription(e), kMbOk);
    }
    return false;
  }
}

}  // namespace mirtel
