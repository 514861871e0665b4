// The catalogue: every message in Japanese, the original, and in English.
// To add a text: name it in text/message.h and add its row here, at the same
// place; the checks at the end stop the build when a row is out of place,
// empty, or when its languages' placeholders differ.
#include "text/catalogue.h"

#include <atomic>
#include <cstddef>
#include <iterator>

namespace mirtel {

namespace {

constexpr std::string_view kUsage =
    "usage: mirtel-cli [options] SRC DST\n"
    "       mirtel-cli [options] --last\n"
    "       mirtel-cli --save-job NAME [--sync] [--versions DIR] [options] SRC DST\n"
    "       mirtel-cli [options] --job NAME\n"
    "       mirtel-cli --jobs | --delete-job NAME";

constexpr std::string_view kHelp =
    "Copies into DST/<name of SRC>/ (straight into DST for a drive root) every file\n"
    "that DST lacks or holds in an older version, making missing folders; with\n"
    "--sync it then moves to the Trash (the Recycle Bin on Windows) what DST holds\n"
    "that SRC no longer has. The same job as the window's Copy button.\n"
    "\n"
    "  --sync            also remove from DST what SRC no longer has\n"
    "  --last            run the last job the window ran (its SRC and DST together)\n"
    "  --remember        record SRC and DST in the history and as the last job\n"
    "  --save-job NAME   record SRC, DST, the mode and the options under NAME (in\n"
    "                    jobs.toml of the settings folder) instead of running them\n"
    "  --job NAME        run the saved job NAME; refused (status 2) when DST is now\n"
    "                    on another volume, such as a backup disk not mounted\n"
    "  --jobs            list the saved jobs\n"
    "  --delete-job NAME remove the saved job NAME\n"
    "  --versions DIR    move what the job replaces or removes to\n"
    "                    DIR/<date and time of the job>/<path below DST/<name>>\n"
    "                    instead of the Trash; DIR must be on DST's volume and not\n"
    "                    inside SRC (refused with status 2 otherwise)\n"
    "  --keep-versions DAYS  after the job, delete for good the version folders of\n"
    "                    DIR older than DAYS days (only those); needs --versions\n"
    "  -n, --dry-run     list what the job would do and change nothing at all\n"
    "  --force-remove    let a sync remove more than half of DST (more than 10 items)\n"
    "  --log FILE        append the job, every line (with the local time), the summary\n"
    "                    and the exit status to FILE, each line at once\n"
    "  --count-first     count the work first: progress shows the share and time left\n"
    "  --parallel N      copy up to N files at once (1 to 64; by default 2 on a local\n"
    "                    or USB disk, 32 on a network share)\n"
    "  -v, --verbose     also print every status text (\"status: \") and mark result\n"
    "                    lines (\"result: \")\n"
    "  -q, --quiet       print only the summary\n"
    "  -h, --help        this text\n"
    "  --version         the version and the licence\n"
    "  --                end of options: a folder named like an option follows\n"
    "\n"
    "The last line of the output is always\n"
    "  copied=N found=0|1 failed=N removed=N seconds=S\n"
    "or, for a dry run,\n"
    "  dry_run=1 would_copy=N found=0|1 failed=N would_remove=N seconds=S\n"
    "\n"
    "Exit status: 0 nothing failed; 1 some item failed (or the log could not be\n"
    "written); 2 bad arguments, a missing source or a saved job that cannot run;\n"
    "3 stopped by Ctrl+C, SIGTERM or SIGHUP; 4 refused by the removal guard.\n";

constexpr std::string_view kOneAtATime =
    "--last, --save-job, --job, --jobs and --delete-job go one at a time";
constexpr std::string_view kSaveJobNotRun =
    "--save-job records a job; --dry-run and --remember are for running one";

// clang-format off
constexpr CatalogueEntry kCatalogue[] = {
    // The window: caption, menus, mode, hints.
    {Msg::WindowCaption, "簡単フォルダコピーソフト：みるてる", "mirtel: easy folder copy"},
    {Msg::MenuCommand, "コマンド(&C)", "&Command"},
    {Msg::MenuChooseSource, "コピー元フォルダの選択(&D)", "Choose &Source Folder"},
    {Msg::MenuChooseDest, "コピー先フォルダの選択(&F)", "Choose &Destination Folder"},
    {Msg::MenuStartCopy, "フォルダコピーの開始(&G)", "Start &Copy"},
    {Msg::MenuStopCopy, "コピーの中断(&S)", "S&top Copy"},
    {Msg::MenuQuit, "みるてるの終了(&X)", "E&xit mirtel"},
    {Msg::MenuOptions, "設定(&O)", "&Options"},
    {Msg::MenuChooseFiles, "コピーファイルの選択(&F)", "Choose &Files to Copy"},
    {Msg::MenuCopyMode, "コピーモード", "Copy Mode"},
    {Msg::MenuNormalCopy, "通常コピー", "Normal Copy"},
    {Msg::MenuSyncCopy, "同期コピー", "Sync Copy"},
    {Msg::MenuZeroEraser, "ゼロファイルイレーサー", "Zero File Eraser"},
    {Msg::MenuHelp, "ヘルプ(&H)", "&Help"},
    {Msg::MenuHelpContents, "ヘルプ(&H)", "&Help"},
    {Msg::MenuVersion, "バージョン(&V)", "&Version"},
    {Msg::ModeNormal, "通常　", "Copy"},
    {Msg::ModeSync, "同期　", "Sync"},
    {Msg::ModeHint, "コピーモードを表示（クリックすると切り替わります）",
     "The copy mode (click to switch)"},
    {Msg::HintChooseSource, "コピー元のフォルダの場所を選択します", "Choose the source folder"},
    {Msg::HintChooseDest, "コピー先のフォルダの場所を選択します", "Choose the destination folder"},
    {Msg::HintStartCopy, "フォルダのコピーを開始します", "Start copying the folder"},
    {Msg::HintQuit, "みるてるを終了します", "Quit mirtel"},
    {Msg::HintStop, "コピーを途中で中断します", "Stop the copy"},
    {Msg::HintResult, "レポート結果を表示します", "Shows the result"},
    {Msg::HintCopiedList, "コピーしたファイルを表示します", "Shows the files copied"},
    {Msg::HintSeconds, "計測に要した時間を表示します", "Shows the time taken"},
    {Msg::HintOpenSource, "コピー元のフォルダを開きます。", "Opens the source folder."},
    {Msg::HintOpenDest, "コピー先のフォルダを開きます。", "Opens the destination folder."},
    {Msg::ButtonYes, "はい(&Y)", "&Yes"},
    {Msg::ButtonNo, "いいえ(&N)", "&No"},
    // The window's message boxes.
    {Msg::ChooseFolderTitle, "フォルダの選択", "Choose a folder"},
    {Msg::CannotOpenFolder, "フォルダが開けません。", "Cannot open the folder."},
    {Msg::HelpFileMissing, "ヘルプファイルが見つかりません。\r\n{1}", "The help file is missing.\r\n{1}"},
    {Msg::HelpFileUnopened, "ヘルプファイルが開けません。\r\n{1}", "Cannot open the help file.\r\n{1}"},
    {Msg::VersionBox,
     "フォルダコピーソフト「みるてる」\r\nバージョン{1}\r\n\r\n大切なファイルのバックアップにお使いください",
     "mirtel, the folder copier\r\nVersion {1}\r\n\r\nFor backups of the files that matter"},
    {Msg::StillCopyingCannotQuit, "コピー中です一度停止してから終了してください",
     "Copying: stop the copy before quitting"},
    {Msg::AskQuit, "みるてるを終了してもいいですか？", "Quit mirtel?"},
    {Msg::AskQuitTitle, "みるてる終了", "Quit mirtel"},
    {Msg::StoppedCopyStillRunning,
     "中断したコピーがまだ終わっていません。しばらくしてからもう一度実行してください",
     "The stopped copy has not ended yet. Try again in a moment"},
    {Msg::HistoryUnsaved, "履歴を保存できませんでした", "Could not save the history"},
    {Msg::HistoryUnsavedBecause, "履歴を保存できませんでした\n{1}", "Could not save the history\n{1}"},
    {Msg::ErrorInProcedure, "{1}でエラー", "Error in {1}"},
    {Msg::UnknownError, "原因不明のエラーが発生しました", "An unknown error occurred"},
    {Msg::CannotRegisterWindowClass, "ウィンドウクラスを登録できませんでした",
     "Could not register the window class"},
    {Msg::CannotCreateWindow, "ウィンドウを作れませんでした", "Could not create the window"},
    {Msg::CannotCreateControl, "ウィンドウの部品を作れませんでした",
     "Could not create a control of the window"},
    // Refusals and questions before a job.
    {Msg::NoSource, "コピー元が存在しません。", "The source does not exist."},
    {Msg::NoDest, "コピー先が存在しません。", "The destination does not exist."},
    {Msg::SameFolders, "コピー元とコピー先が同じです", "The source and the destination are the same"},
    {Msg::DestUnreachable, "コピー先のフォルダが開けません", "Cannot open the destination folder"},
    {Msg::DestIsLink, "コピー先のフォルダ{1}はリンクなので使えません",
     "The destination folder {1} is a link and cannot be used"},
    {Msg::SyncConfirm,
     "同期モードはコピー先のファイル内容をコピー元にあわせるため\r\n"
     "コピー先のファイルを削除することがありますがよろしいですか？",
     "Sync mode makes the destination match the source,\r\n"
     "so it may remove files from the destination. Continue?"},
    {Msg::SyncConfirmTitle, "コピー開始の確認", "Start the copy?"},
    {Msg::MassRemovalConfirm,
     "コピー先の{1}個の項目のうち{2}個をごみ箱に移動します。\r\n"
     "コピー元のフォルダが正しいか確かめてください。よろしいですか？",
     "{2} of the {1} items in the destination will go to the Trash.\r\n"
     "Check that the source folder is the right one. Continue?"},
    {Msg::MassRemovalTitle, "削除の確認", "Confirm removal"},
    {Msg::MassRemovalSkipped, "ごみ箱に移す項目が多いため、同期の削除は行いませんでした",
     "Too many items would go to the Trash: sync removed nothing"},
    {Msg::SyncRemovalDeclined, "同期の削除は行いませんでした", "Sync removed nothing"},
    {Msg::SourceInsideDest, "コピー元がコピー先の中にあるため、同期の削除は行いませんでした",
     "The source is inside the destination: sync removed nothing"},
    // The result line and the timer.
    {Msg::ResultCopied, "{1}個のファイルをコピーしました", "Files copied: {1}"},
    {Msg::ResultWouldCopy, "{1}個のファイルをコピーします（予定）", "Files to copy: {1}"},
    {Msg::ResultNothingToCopy, "コピーの必要なファイルはありません", "No file needs copying"},
    {Msg::ResultNoFiles, "コピー元にファイルが存在しません", "The source holds no file"},
    {Msg::ResultFailed, "（失敗 {1}件）", " (failed: {1})"},
    {Msg::ResultStopped, "（中断しました）", " (stopped)"},
    {Msg::ResultWarningsFirst, "{1}{2}", "{1} {2}"},
    {Msg::Seconds, "{1}秒", "{1} s"},
    // The copy walk.
    {Msg::Prefixed, "{1}：{2}", "{1}: {2}"},
    {Msg::WouldCopyNew, "コピー予定：{1}", "Would copy: {1}"},
    {Msg::WouldOverwrite, "上書きコピー予定：{1}", "Would overwrite: {1}"},
    {Msg::CopyFailed, "{1}のコピーに失敗しました", "Could not copy {1}"},
    {Msg::CopyingNew, "{1}をコピー", "Copying {1}"},
    {Msg::CopyingOver, "{1}を上書きコピー", "Overwriting {1}"},
    {Msg::KindDiffersKept, "{1}はコピー先に種類の違う同じ名前の項目があるのでコピーしません",
     "{1} not copied: the destination has an item of another kind by that name"},
    {Msg::KindDiffersReplaced, "{1}はコピー元と種類が違うので置き換えます",
     "{1} is of another kind in the source: replacing it"},
    {Msg::CannotRemove, "{1}を削除できませんでした：{2}", "Could not remove {1}: {2}"},
    {Msg::WouldMakeFolder, "フォルダ作成予定：{1}", "Would make folder: {1}"},
    {Msg::CannotMakeFolder, "フォルダ{1}を作成できませんでした", "Could not make folder {1}"},
    {Msg::MakingFolder, "フォルダ{1}を作成", "Making folder {1}"},
    {Msg::FolderIsLink, "フォルダ{1}はリンクなのでコピーしません", "Folder {1} is a link: not copied"},
    {Msg::FolderIsDest, "フォルダ{1}はコピー先なのでコピーしません",
     "Folder {1} is the destination: not copied"},
    {Msg::FolderDestIsLink, "フォルダ{1}はコピー先がリンクなのでコピーしません",
     "Folder {1} is a link in the destination: not copied"},
    {Msg::FolderDestIsFile, "フォルダ{1}はコピー先に同じ名前のファイルがあるのでコピーしません",
     "Folder {1} not copied: the destination has a file by that name"},
    {Msg::FolderDestIsSource, "フォルダ{1}はコピー先がコピー元そのものなのでコピーしません",
     "Folder {1} not copied: in the destination it is the source itself"},
    {Msg::SearchingFolders, "フォルダを検索", "Searching folders"},
    {Msg::FileDestIsFolder, "{1}はコピー先に同じ名前のフォルダがあるのでコピーしません",
     "{1} not copied: the destination has a folder by that name"},
    {Msg::SameDate, "同じ日付です", "Same date"},
    {Msg::DestNewer, "コピー先の方が新しいです", "The destination is newer"},
    {Msg::NotRegularFile, "{1}は通常のファイルではないのでコピーしません",
     "{1} is not a regular file: not copied"},
    {Msg::LinkTargetMissing, "{1}はリンク先がないのでコピーしません",
     "{1} is a link to nothing: not copied"},
    {Msg::FolderUncopied, "フォルダ{1}の中をコピーできませんでした",
     "Could not copy inside folder {1}"},
    {Msg::SameNameInDest, "{1}はコピー先で{2}と同じ名前になるのでコピーしません",
     "{1} not copied: in the destination its name is that of {2}"},
    {Msg::FolderRestUncopied, "フォルダ{1}の残りの項目はコピーできませんでした",
     "Could not copy the rest of folder {1}"},
    // The sync pruning.
    {Msg::PruneSourceMissing, "コピー元のフォルダが見つからないため", "The source folder is missing"},
    {Msg::PruneSourceUnchecked, "コピー元のフォルダを確かめられないため",
     "The source folder cannot be checked"},
    {Msg::PruneSourceEmpty, "コピー元のフォルダが空のため", "The source folder is empty"},
    {Msg::PruneSourceUnreadable, "コピー元のフォルダを読めないため",
     "The source folder cannot be read"},
    {Msg::PruneSkipped, "{1}、同期の削除はしませんでした", "{1}: sync removed nothing"},
    {Msg::PruneSourceChanged, "コピー元のフォルダが変わったため、同期の削除を中止しました",
     "The source folder changed: sync removal stopped"},
    {Msg::FolderLabel, "フォルダ{1}", "folder {1}"},
    {Msg::KeptSourceUnchecked, "{1}はコピー元を確かめられないので残しました",
     "Kept {1}: its source cannot be checked"},
    {Msg::CannotRename, "{1}の名前を{2}に変えられませんでした：{3}",
     "Could not rename {1} to {2}: {3}"},
    {Msg::Renamed, "{1}の名前を{2}に変更", "Renamed {1} to {2}"},
    {Msg::HoldsSource, "{1}はコピー元を含むので削除しません", "Not removing {1}: it holds the source"},
    {Msg::FolderUnsynced, "フォルダ{1}の中を同期できませんでした：{2}",
     "Could not sync inside folder {1}: {2}"},
    {Msg::ItemUnsynced, "{1}を同期できませんでした：{2}", "Could not sync {1}: {2}"},
    {Msg::FolderRestUnsynced, "フォルダ{1}の残りの項目は同期できませんでした：{2}",
     "Could not sync the rest of folder {1}: {2}"},
    {Msg::WouldRecycle, "ごみ箱へ移動予定：{1}", "Would move to the Trash: {1}"},
    {Msg::RemovingFolder, "{1}フォルダを削除", "Removing folder {1}"},
    {Msg::Removing, "{1}を削除", "Removing {1}"},
    {Msg::OperationUnsupported, "この操作には対応していません", "This operation is not supported"},
    // The texts of errors.
    {Msg::ErrorNotFound, "ファイルまたはフォルダが見つかりません", "File or folder not found"},
    {Msg::ErrorAccessDenied, "アクセスが拒否されました", "Access denied"},
    {Msg::ErrorAlreadyExists, "同じ名前のファイルまたはフォルダが既にあります",
     "A file or folder of that name already exists"},
    {Msg::ErrorDiskFull, "ディスクの空き容量が足りません", "Not enough free disk space"},
    {Msg::ErrorReadOnlyVolume, "書き込みできないドライブです", "The drive cannot be written"},
    {Msg::ErrorNameTooLong, "パスまたは名前が長すぎます", "The path or name is too long"},
    {Msg::ErrorInvalidName, "ファイル名、フォルダ名の指定が正しくありません",
     "The file or folder name is not valid"},
    {Msg::ErrorListingEnded, "フォルダの内容が途中で変わりました",
     "The folder changed while it was read"},
    {Msg::ErrorNoRecycleBin, "ごみ箱に移せないため削除しませんでした",
     "Not removed: it cannot go to the Trash"},
    {Msg::ErrorNotAFile, "通常のファイルではありません", "Not a regular file"},
    {Msg::ErrorFolderInTheWay, "同じ名前のフォルダがあります", "A folder of that name is there"},
    {Msg::ErrorReadOnlyFile, "読み取り専用のファイルは置き換えません",
     "A read-only file is not replaced"},
    {Msg::ErrorNotALeftover, "残された一時ファイルではないので消しません",
     "Not removed: not a leftover temporary file"},
    {Msg::ErrorVolumeUnreachable, "ドライブまたは共有フォルダに届きません",
     "The drive or shared folder cannot be reached"},
    {Msg::ErrorFolderGone, "フォルダが途中でなくなりました", "The folder disappeared meanwhile"},
    {Msg::ErrorUnknownRealName, "フォルダの本当の名前が分かりません",
     "The folder's real name is unknown"},
    {Msg::ErrorFileTooLarge, "ファイルが大きすぎます", "The file is too large"},
    {Msg::ErrorEmptyPath, "パスが空です", "The path is empty"},
    {Msg::ErrorNulInPath, "パスに NUL 文字があります", "The path holds a NUL character"},
    {Msg::ErrorNotUtf8, "UTF-8 ではない名前です", "The name is not UTF-8"},
    {Msg::ErrorDriveRoot, "ドライブのルートはごみ箱に移せません",
     "A drive's root cannot go to the Trash"},
    {Msg::ErrorRecycleStopped, "ごみ箱への移動が途中で止まりました",
     "Moving to the Trash stopped midway"},
    {Msg::ErrorRecycleFailed, "ごみ箱に移せませんでした", "Could not move to the Trash"},
    {Msg::ErrorRecycleStranded, "ごみ箱に移せず、元の場所にも戻せませんでした",
     "Could not move to the Trash nor put it back"},
    {Msg::ErrorFileOperation, "ファイルの操作でエラーが発生しました", "A file operation failed"},
    {Msg::ErrorStrandedAt, "{1}。今は {2} にあります", "{1}. It is now at {2}"},
    {Msg::ErrorWithDetail, "{1}（{2}）", "{1} ({2})"},
    {Msg::ErrorOccurred, "エラーが発生しました", "An error occurred"},
    // Saved jobs and the last job.
    {Msg::JobsFileHeader,
     "# mirtel-cli の保存したジョブ: mirtel-cli --job 名前 で実行します。\n"
     "# source と destination は絶対パス、mode は \"normal\" か \"sync\" です。\n\n",
     "# Saved jobs of mirtel-cli: run one with mirtel-cli --job NAME.\n"
     "# source and destination are absolute paths; mode is \"normal\" or \"sync\".\n\n"},
    {Msg::LastJobFileHeader, "# 前回ウィンドウで実行したコピー（mirtel-cli --last）\n\n",
     "# The copy the window ran last (mirtel-cli --last)\n\n"},
    {Msg::CannotReadFile, "ファイルを読めません：{1} {2}", "Cannot read the file: {1} {2}"},
    {Msg::BadTomlLine, "{1} の {2} 行目の書き方が正しくありません（{3}）",
     "{1}, line {2}: not well written ({3})"},
    {Msg::NotWrittenUnreadable, "書き込む内容を読み戻せないため、書き込みませんでした {1}",
     "Not written: what would be written does not read back {1}"},
    {Msg::CannotWriteFile, "ファイルに書けません：{1} {2}", "Cannot write the file: {1} {2}"},
    {Msg::JobsNotTable, "{1} の jobs が表になっていません", "{1}: jobs is not a table"},
    {Msg::JobKeyMissing, "ジョブ「{1}」に {2} がありません", "Job \"{1}\" has no {2}"},
    {Msg::JobKeyNotString, "ジョブ「{1}」の {2} が文字列になっていません",
     "Job \"{1}\": {2} is not a string"},
    {Msg::JobKeyNotBool, "ジョブ「{1}」の {2} は true か false です",
     "Job \"{1}\": {2} is true or false"},
    {Msg::JobBadMode, "ジョブ「{1}」の mode は \"normal\" か \"sync\" です：{2}",
     "Job \"{1}\": mode is \"normal\" or \"sync\": {2}"},
    {Msg::JobNameEmpty, "ジョブの名前が空です", "The job's name is empty"},
    {Msg::JobNameControl, "ジョブの名前に制御文字は使えません",
     "A job's name cannot hold control characters"},
    {Msg::JobNameQuotes, "ジョブの名前に ' \" \\ は使えません", "A job's name cannot hold ' \" \\"},
    {Msg::JobNameTooLong, "ジョブの名前が長すぎます（64文字まで）",
     "The job's name is too long (64 characters at most)"},
    {Msg::JobNotTable, "{1} のジョブ「{2}」が表になっていません", "{1}: job \"{2}\" is not a table"},
    {Msg::NoLastJob, "前回のコピーの記録がありません（ウィンドウか --remember で実行すると記録されます）",
     "No last copy is recorded (the window or --remember records one)"},
    // The command. Its help and the errors of its arguments are English in
    // both languages.
    {Msg::CliUsage, kUsage, kUsage},
    {Msg::CliHelp, kHelp, kHelp},
    {Msg::CliNeedsJobName, "{1} needs a job name", "{1} needs a job name"},
    {Msg::CliNeedsLogFile, "--log needs a file", "--log needs a file"},
    {Msg::CliUnknownOption, "unknown option: {1}", "unknown option: {1}"},
    {Msg::CliOneAtATime, kOneAtATime, kOneAtATime},
    {Msg::CliSaveJobNotRun, kSaveJobNotRun, kSaveJobNotRun},
    {Msg::CliTakesNoFolders, "{1} takes no folders: {2}", "{1} takes no folders: {2}"},
    {Msg::CliNeedsFolders, "SRC and DST are needed", "SRC and DST are needed"},
    {Msg::CliTooManyFolders, "too many folders: {1}", "too many folders: {1}"},
    {Msg::CliNormalCopy, "通常コピー", "normal copy"},
    {Msg::CliSyncCopy, "同期コピー", "sync copy"},
    {Msg::CliCannotMakeSettings, "設定フォルダを作れません：{1}",
     "cannot make the settings folder: {1}"},
    {Msg::CliCannotSaveJob, "ジョブを保存できませんでした：{1}", "could not save the job: {1}"},
    {Msg::CliJobSaved, "ジョブ「{1}」を保存しました：{2} {3} → {4}", "Saved job \"{1}\": {2} {3} → {4}"},
    {Msg::CliVolumeUnchecked, "コピー先のボリュームを確かめられないため、実行時の確認はしません",
     "cannot identify the destination's volume: runs of this job will not check it"},
    {Msg::CliCannotReadJobs, "ジョブを読めません：{1}", "cannot read the jobs: {1}"},
    {Msg::CliNoJobs, "保存したジョブはありません", "No saved jobs"},
    {Msg::CliCannotDeleteJob, "ジョブを削除できませんでした：{1}", "could not delete the job: {1}"},
    {Msg::CliNoSuchJob, "ジョブ「{1}」はありません", "no job \"{1}\""},
    {Msg::CliJobDeleted, "ジョブ「{1}」を削除しました", "Deleted job \"{1}\""},
    {Msg::CliNoSuchJobToRun, "ジョブ「{1}」はありません（--jobs で一覧）",
     "no job \"{1}\" (--jobs lists them)"},
    {Msg::CliDestUnopened, "コピー先のフォルダが開けません {1}。何もコピーしませんでした",
     "cannot open the destination folder {1}: nothing copied"},
    {Msg::CliOtherVolume,
     "コピー先 {1} はジョブを保存したときと別のボリュームにあります（バックアップ先のディスクが"
     "つながっていないかもしれません）。何もコピーしませんでした",
     "the destination {1} is on another volume than when the job was saved (is the backup "
     "disk connected?): nothing copied"},
    {Msg::CliCannotOpenLog, "ログファイルを開けません {1}", "cannot open the log file {1}"},
    {Msg::CliMassRemovalSkipped,
     "コピー先の{1}個の項目のうち{2}個をごみ箱に移すことになるため、同期の削除はしませんでした"
     "（--force-remove で実行します）",
     "{2} of the {1} items in the destination would go to the Trash: sync removed nothing "
     "(--force-remove runs it)"},
    {Msg::CliCannotWriteLog, "ログファイルに書き込めません {1}", "cannot write the log file {1}"},
    {Msg::CliStartLine, "開始 {1} {2} → {3}", "Start {1} {2} → {3}"},
    {Msg::CliStartLineDryRun, "開始 {1} （確認のみ） {2} → {3}", "Start {1} (dry run) {2} → {3}"},
    {Msg::CliEndLine, "終了 status={1}", "End status={1}"},
    {Msg::CliProgressFiles, "{1}件 {2}", "{1} files {2}"},
    {Msg::CliProgressShare, "（{1}%", " ({1}%"},
    {Msg::CliProgressLeft, " 残り約{1}分{2}秒", ", about {1}m{2}s left"},
    {Msg::CliProgressEnd, "）", ")"},
    {Msg::VersionsOverlapSkipped, "{1}はコピー先の版の保存先と重なるのでコピーしません",
     "{1} overlaps the versions folder in the destination: not copied"},
    {Msg::WouldMoveToVersions, "版の保存先へ移動予定：{1}",
     "Would move to the versions folder: {1}"},
    {Msg::ResultNoTrash, "（ごみ箱が使えないため削除できなかった項目があります）",
     " (no Trash here: some items were not removed)"},
    {Msg::NoTrashHint, "ごみ箱が使えない場所です。--versions でコピー先と同じボリュームに版の保存先を指定すると、削除や上書きされる項目をそこに残せます",
     "This place has no Trash. With --versions DIR on the destination's volume, what is removed or replaced is kept in DIR"},
    {Msg::VersionsNotAFolder, "版の保存先 {1} はフォルダではありません。何もコピーしませんでした",
     "the versions folder {1} is not a folder: nothing copied"},
    {Msg::VersionsUnchecked, "版の保存先 {1} を確かめられません。何もコピーしませんでした",
     "the versions folder {1} cannot be checked: nothing copied"},
    {Msg::VersionsOtherVolume, "版の保存先 {1} はコピー先と別のボリュームにあります（同じボリュームの中で移すだけにするため、コピー先と同じボリュームを指定してください）。何もコピーしませんでした",
     "the versions folder {1} is on another volume than the destination (kept items are only moved, so give a folder on the destination's volume): nothing copied"},
    {Msg::VersionsInsideSource, "版の保存先 {1} はコピー元の中にあります。何もコピーしませんでした",
     "the versions folder {1} is inside the source: nothing copied"},
    {Msg::VersionsIsDestination, "版の保存先 {1} はコピー先のフォルダそのものです。別のフォルダを指定してください。何もコピーしませんでした",
     "the versions folder {1} is the destination folder itself; give another folder: nothing copied"},
    {Msg::VersionsUnreadable, "版の保存先 {1} を読めません：{2}",
     "cannot read the versions folder {1}: {2}"},
    {Msg::WouldDropOldVersion, "古い版の削除予定：{1}",
     "Would delete the old version {1}"},
    {Msg::OldVersionDropped, "古い版{1}を削除しました",
     "Deleted the old version {1}"},
    {Msg::OldVersionNotDropped, "古い版{1}を削除できませんでした：{2}",
     "Could not delete the old version {1}: {2}"},
    {Msg::JobKeyNeedsDays, "ジョブ「{1}」の {2} は 1 以上の日数です",
     "in the job \"{1}\", {2} must be a number of days, 1 or more"},
    {Msg::CliVersionsNeedsFolder, "--versions には版の保存先のフォルダを指定してください",
     "--versions needs the versions folder"},
    {Msg::CliKeepVersionsNeedsDays, "--keep-versions には 1 以上の日数を指定してください：{1}",
     "--keep-versions needs a number of days, 1 or more: {1}"},
    {Msg::CliKeepVersionsNeedsVersions, "--keep-versions は --versions と一緒に指定してください",
     "--keep-versions needs --versions"},
    {Msg::CliMassRemovalSkippedVersions, "コピー先の{1}個の項目のうち{2}個を版の保存先に移すことになるため、同期の削除はしませんでした（--force-remove で実行します）",
     "{2} of the {1} items in the destination would go to the versions folder: sync removed nothing (--force-remove runs it)"},
    {Msg::JobKeyNeedsCount, "ジョブ「{1}」の {2} は 1 から {3} の整数です",
     "in the job \"{1}\", {2} must be a whole number from 1 to {3}"},
    {Msg::CliParallelNeedsNumber, "--parallel には 1 から {1} の数を指定してください",
     "--parallel needs a number from 1 to {1}"},
};
// clang-format on

constexpr bool InKeyOrder() {
  for (std::size_t i = 0; i < std::size(kCatalogue); ++i) {
    if (static_cast<std::size_t>(kCatalogue[i].key) != i) return false;
  }
  return true;
}

constexpr bool Complete() {
  for (const CatalogueEntry& e : kCatalogue) {
    if (e.japanese.empty() || e.english.empty()) return false;
    if (PlaceholdersOf(e.japanese) != PlaceholdersOf(e.english)) return false;
  }
  return true;
}

static_assert(std::size(kCatalogue) == kMessageCount, "a message has no row in the catalogue");
static_assert(InKeyOrder(), "the catalogue's rows are not in the order of Msg");
static_assert(Complete(), "a message is empty, or its languages' placeholders differ");

std::atomic<Language> gLanguage{Language::Japanese};

}  // namespace

std::span<const CatalogueEntry> Catalogue() { return kCatalogue; }

void SetLanguage(Language language) { gLanguage.store(language, std::memory_order_relaxed); }

Language CurrentLanguage() { return gLanguage.load(std::memory_order_relaxed); }

std::string_view Pattern(Msg message, Language language) {
  const auto index = static_cast<std::size_t>(message);
  if (index >= std::size(kCatalogue)) return {};
  const CatalogueEntry& e = kCatalogue[index];
  return language == Language::English ? e.english : e.japanese;
}

std::string Fill(std::string_view pattern, std::span<const std::string> args) {
  std::string text;
  text.reserve(pattern.size() + 32);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 1] >= '1' &&
        pattern[i + 1] <= '9' && pattern[i + 2] == '}') {
      const auto arg = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (arg < args.size()) text += args[arg];
      i += 2;
      continue;
    }
    text += pattern[i];
  }
  return text;
}

}  // namespace mirtel
