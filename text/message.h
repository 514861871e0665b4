// The program's words, asked for by meaning: the code names a message and
// passes its arguments; the catalogue (text/catalogue.cpp) holds each
// message in Japanese, the original, and in English. An argument is put
// where the text says {1}, {2}, ..., so a language may order them its own
// way.
#pragma once

#include <concepts>
#include <span>
#include <string>
#include <string_view>

namespace mirtel {

enum class Language { Japanese, English };

// One name per message, in the catalogue's order.
enum class Msg {
  // The window: caption, menus, mode, hints.
  WindowCaption,
  MenuCommand,
  MenuChooseSource,
  MenuChooseDest,
  MenuStartCopy,
  MenuStopCopy,
  MenuQuit,
  MenuOptions,
  MenuChooseFiles,
  MenuCopyMode,
  MenuNormalCopy,
  MenuSyncCopy,
  MenuZeroEraser,
  MenuHelp,
  MenuHelpContents,
  MenuVersion,
  ModeNormal,
  ModeSync,
  ModeHint,
  HintChooseSource,
  HintChooseDest,
  HintStartCopy,
  HintQuit,
  HintStop,
  HintResult,
  HintCopiedList,
  HintSeconds,
  HintOpenSource,
  HintOpenDest,
  ButtonYes,
  ButtonNo,
  // The window's message boxes.
  ChooseFolderTitle,
  CannotOpenFolder,
  HelpFileMissing,
  HelpFileUnopened,
  VersionBox,
  StillCopyingCannotQuit,
  AskQuit,
  AskQuitTitle,
  StoppedCopyStillRunning,
  HistoryUnsaved,
  HistoryUnsavedBecause,
  ErrorInProcedure,
  UnknownError,
  CannotRegisterWindowClass,
  CannotCreateWindow,
  CannotCreateControl,
  // Refusals and questions before a job.
  NoSource,
  NoDest,
  SameFolders,
  DestUnreachable,
  DestIsLink,
  SyncConfirm,
  SyncConfirmTitle,
  MassRemovalConfirm,
  MassRemovalTitle,
  MassRemovalSkipped,
  SyncRemovalDeclined,
  SourceInsideDest,
  // The result line and the timer.
  ResultCopied,
  ResultWouldCopy,
  ResultNothingToCopy,
  ResultNoFiles,
  ResultFailed,
  ResultStopped,
  ResultWarningsFirst,
  Seconds,
  // The copy walk.
  Prefixed,
  WouldCopyNew,
  WouldOverwrite,
  CopyFailed,
  CopyingNew,
  CopyingOver,
  KindDiffersKept,
  KindDiffersReplaced,
  CannotRemove,
  WouldMakeFolder,
  CannotMakeFolder,
  MakingFolder,
  FolderIsLink,
  FolderIsDest,
  FolderDestIsLink,
  FolderDestIsFile,
  FolderDestIsSource,
  SearchingFolders,
  FileDestIsFolder,
  SameDate,
  DestNewer,
  NotRegularFile,
  LinkTargetMissing,
  FolderUncopied,
  SameNameInDest,
  FolderRestUncopied,
  // The sync pruning.
  PruneSourceMissing,
  PruneSourceUnchecked,
  PruneSourceEmpty,
  PruneSourceUnreadable,
  PruneSkipped,
  PruneSourceChanged,
  FolderLabel,
  KeptSourceUnchecked,
  CannotRename,
  Renamed,
  HoldsSource,
  FolderUnsynced,
  ItemUnsynced,
  FolderRestUnsynced,
  WouldRecycle,
  RemovingFolder,
  Removing,
  OperationUnsupported,
  // The texts of errors.
  ErrorNotFound,
  ErrorAccessDenied,
  ErrorAlreadyExists,
  ErrorDiskFull,
  ErrorReadOnlyVolume,
  ErrorNameTooLong,
  ErrorInvalidName,
  ErrorListingEnded,
  ErrorNoRecycleBin,
  ErrorNotAFile,
  ErrorFolderInTheWay,
  ErrorReadOnlyFile,
  ErrorNotALeftover,
  ErrorVolumeUnreachable,
  ErrorFolderGone,
  ErrorUnknownRealName,
  ErrorFileTooLarge,
  ErrorEmptyPath,
  ErrorNulInPath,
  ErrorNotUtf8,
  ErrorDriveRoot,
  ErrorRecycleStopped,
  ErrorRecycleFailed,
  ErrorRecycleStranded,
  ErrorFileOperation,
  ErrorStrandedAt,
  ErrorWithDetail,
  ErrorOccurred,
  // Saved jobs and the last job.
  JobsFileHeader,
  LastJobFileHeader,
  CannotReadFile,
  BadTomlLine,
  NotWrittenUnreadable,
  CannotWriteFile,
  JobsNotTable,
  JobKeyMissing,
  JobKeyNotString,
  JobKeyNotBool,
  JobBadMode,
  JobNameEmpty,
  JobNameControl,
  JobNameQuotes,
  JobNameTooLong,
  JobNotTable,
  NoLastJob,
  // The command.
  CliUsage,
  CliHelp,
  CliNeedsJobName,
  CliNeedsLogFile,
  CliUnknownOption,
  CliOneAtATime,
  CliSaveJobNotRun,
  CliTakesNoFolders,
  CliNeedsFolders,
  CliTooManyFolders,
  CliNormalCopy,
  CliSyncCopy,
  CliCannotMakeSettings,
  CliCannotSaveJob,
  CliJobSaved,
  CliVolumeUnchecked,
  CliCannotReadJobs,
  CliNoJobs,
  CliCannotDeleteJob,
  CliNoSuchJob,
  CliJobDeleted,
  CliNoSuchJobToRun,
  CliDestUnopened,
  CliOtherVolume,
  CliCannotOpenLog,
  CliMassRemovalSkipped,
  CliCannotWriteLog,
  CliStartLine,
  CliStartLineDryRun,
  CliEndLine,
  CliProgressFiles,
  CliProgressShare,
  CliProgressLeft,
  CliProgressEnd,
  VersionsOverlapSkipped,
  WouldMoveToVersions,
  ResultNoTrash,
  NoTrashHint,
  VersionsNotAFolder,
  VersionsUnchecked,
  VersionsOtherVolume,
  VersionsInsideSource,
  VersionsIsDestination,
  VersionsUnreadable,
  WouldDropOldVersion,
  OldVersionDropped,
  OldVersionNotDropped,
  JobKeyNeedsDays,
  CliVersionsNeedsFolder,
  CliKeepVersionsNeedsDays,
  CliKeepVersionsNeedsVersions,
  CliMassRemovalSkippedVersions,
  JobKeyNeedsCount,
  CliParallelNeedsNumber,
  Count  // not a message: how many there are
};

inline constexpr std::size_t kMessageCount = static_cast<std::size_t>(Msg::Count);

// The language of every text from now on. Chosen once at start, before any
// thread is made; Japanese until then.
void SetLanguage(Language language);
Language CurrentLanguage();

// The message as the catalogue holds it, placeholders and all.
std::string_view Pattern(Msg message, Language language);

// `pattern` with {1}..{9} replaced by args[0]..args[8].
std::string Fill(std::string_view pattern, std::span<const std::string> args);

// One argument of a message, as text.
struct TextArg {
  std::string text;
  TextArg(std::string_view s) : text(s) {}
  TextArg(const char* s) : text(s) {}
  TextArg(const std::string& s) : text(s) {}
  template <std::integral Number>
  TextArg(Number n) : text(std::to_string(n)) {}
};

// The message in the current language with its arguments put in.
template <class... Args>
std::string Text(Msg message, const Args&... args) {
  const std::string_view pattern = Pattern(message, CurrentLanguage());
  if constexpr (sizeof...(Args) == 0) {
    return std::string(pattern);
  } else {
    const std::string texts[] = {TextArg(args).text...};
    return Fill(pattern, texts);
  }
}

}  // namespace mirtel
