#include "cli/cli_job.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <sstream>
#include <system_error>

#include "cli/console_view.h"
#include "cli/job_log.h"
#include "cli/job_report.h"
#include "engine/copy_engine.h"
#include "engine/error_text.h"
#include "engine/job_state.h"
#include "engine/path_helpers.h"
#include "job/copy_job.h"
#include "job/kept_versions.h"
#include "job/program_version.h"
#include "job/saved_jobs.h"
#include "job/settings.h"
#include "job/settings_location.h"
#include "job/visible_text.h"
#include "text/message.h"

namespace mirtel {
namespace {

constexpr const char* kName = "mirtel-cli: ";

bool IsFolder(FileSystem& fs, const std::string& path) {
  std::uint32_t attrs = 0;
  FsErrorKind why = FsErrorKind::Other;
  return fs.TryAttributes(path, attrs, why) && (attrs & kAttrDirectory) != 0;
}

// The history as the window keeps it, without a window: the lists are all
// there is to fill.
class NoComboBox : public ComboBox {
 public:
  std::string Text() override { return text_; }
  void SetText(std::string_view text) override { text_ = text; }
  void Clear() override {}
  void AddItem(std::string_view) override {}
  int ListCount() override { return 0; }
  void SelectIndex(int) override {}

 private:
  std::string text_;
};

// Records the job's folders in the window's history and as the last job,
// as a finished job in the window does.
void Remember(CliPlatform& p, const std::string& moto, const std::string& saki) {
  MakeFolders(p.fs, p.settingsFolder);
  const std::string path = p.settingsFolder + "mirtel.dat";
  SettingsRecord record;
  try {
    record = DecodeSettings(p.fs.ReadFile(path), p.codec);
  } catch (const FsError& e) {
    if (e.kind() != FsErrorKind::NotFound) throw;
  }
  NoComboBox box;
  bool found = false;
  AddHistory(record.MotoHistory, record.MotoCount, box, moto, found);
  AddHistory(record.SakiHistory, record.SakiCount, box, saki, found);
  SaveSettings(record, path, p.fs, p.codec);
  SavedJob last;
  last.source = moto;
  last.destination = saki;
  std::string error;
  if (!StoreLastJob(p.fs, LastJobPath(p.settingsFolder), last, error)) {
    throw FsError(FsErrorKind::Other, LastJobPath(p.settingsFolder), error);
  }
}

std::string ModeText(bool sync) { return Text(sync ? Msg::CliSyncCopy : Msg::CliNormalCopy); }

int SaveJob(const CliOptions& options, CliPlatform& p, std::ostream& out, std::ostream& err) {
  if (const std::string problem = JobNameProblem(options.saveJob); !problem.empty()) {
    err << kName << problem << '\n';
    return kExitBadInput;
  }
  SavedJob job;
  job.name = options.saveJob;
  job.source = NormaliseFolderArg(options.source);
  job.destination = NormaliseFolderArg(options.dest);
  job.sync = options.sync;
  job.forceRemove = options.forceRemove;
  job.countFirst = options.countFirst;
  job.parallel = options.parallel;
  job.logFile = NormaliseFolderArg(options.logFile);
  job.versions = NormaliseFolderArg(options.versions);
  job.keepVersions = options.keepVersions;
  // The checks of a run, so that a job that cannot run is not saved.
  JobState state;
  std::ostringstream ignored;
  std::atomic<bool> never{false};
  ConsoleView view(ignored, ignored, {false, true, false}, never, state);
  CopyJob check(p.fs, p.recycler, view, state);
  check.SetFolders(job.source, job.destination);
  JobRefusal refusal = check.CheckFolders(false);
  if (refusal == JobRefusal::None && !IsFolder(p.fs, state.MotoFolder)) {
    refusal = JobRefusal::NoSource;
  }
  if (refusal == JobRefusal::None && !IsFolder(p.fs, state.SakiFolder)) {
    refusal = JobRefusal::DestUnreachable;
  }
  if (refusal != JobRefusal::None) {
    err << kName << check.RefusalText(refusal) << ' '
        << (refusal == JobRefusal::NoSource ? options.source : options.dest) << '\n';
    return kExitBadInput;
  }
  if (!job.versions.empty()) {
    const std::string versions = job.versions + PlusYen(job.versions);
    if (const VersionsRefusal why = CheckVersionsFolder(p.fs, state, versions);
        why != VersionsRefusal::None) {
      err << kName << VisibleText(VersionsRefusalText(why, versions)) << '\n';
      return kExitBadInput;
    }
  }
  if (p.volumeOf) job.destinationVolume = p.volumeOf(state.SakiFolder);
  std::string error;
  try {
    MakeFolders(p.fs, p.settingsFolder);
  } catch (const std::exception& e) {
    err << kName << Text(Msg::CliCannotMakeSettings, ErrorDescription(e)) << '\n';
    return kExitBadInput;
  }
  if (!StoreSavedJob(p.fs, SavedJobsPath(p.settingsFolder), job, error)) {
    err << kName << Text(Msg::CliCannotSaveJob, error) << '\n';
    return kExitBadInput;
  }
  out << Text(Msg::CliJobSaved, job.name, ModeText(job.sync), job.source, job.destination) << '\n';
  if (job.destinationVolume.empty()) {
    err << kName << Text(Msg::CliVolumeUnchecked) << '\n';
  }
  return kExitOk;
}

int ListJobs(CliPlatform& p, std::ostream& out, std::ostream& err) {
  std::vector<SavedJob> jobs;
  std::string error;
  if (!LoadSavedJobs(p.fs, SavedJobsPath(p.settingsFolder), jobs, error)) {
    err << kName << Text(Msg::CliCannotReadJobs, error) << '\n';
    return kExitBadInput;
  }
  if (jobs.empty()) out << Text(Msg::CliNoJobs) << '\n';
  for (const SavedJob& job : jobs) {
    out << job.name << '\t' << ModeText(job.sync) << '\t' << job.source << " → " << job.destination
        << '\n';
  }
  return kExitOk;
}

int DeleteJob(const CliOptions& options, CliPlatform& p, std::ostream& out, std::ostream& err) {
  bool found = false;
  std::string error;
  if (!DeleteSavedJob(p.fs, SavedJobsPath(p.settingsFolder), options.deleteJob, found, error)) {
    err << kName << Text(Msg::CliCannotDeleteJob, error) << '\n';
    return kExitBadInput;
  }
  if (!found) {
    err << kName << Text(Msg::CliNoSuchJob, options.deleteJob) << '\n';
    return kExitBadInput;
  }
  out << Text(Msg::CliJobDeleted, options.deleteJob) << '\n';
  return kExitOk;
}

// The options of a run of saved job `options.job`: its folders, mode and
// options, with what the command line adds. False, with the reason told,
// when it must not run.
bool SavedJobOptions(const CliOptions& options, CliPlatform& p, CliOptions& run,
                     std::ostream& err) {
  std::vector<SavedJob> jobs;
  std::string error;
  if (!LoadSavedJobs(p.fs, SavedJobsPath(p.settingsFolder), jobs, error)) {
    err << kName << Text(Msg::CliCannotReadJobs, error) << '\n';
    return false;
  }
  const auto job = std::find_if(jobs.begin(), jobs.end(),
                                [&](const SavedJob& j) { return j.name == options.job; });
  if (job == jobs.end()) {
    err << kName << Text(Msg::CliNoSuchJobToRun, options.job) << '\n';
    return false;
  }
  run = options;
  run.job.clear();
  run.source = job->source;
  run.dest = job->destination;
  run.sync = run.sync || job->sync;
  run.forceRemove = run.forceRemove || job->forceRemove;
  run.countFirst = run.countFirst || job->countFirst;
  if (run.parallel == 0) run.parallel = job->parallel;
  if (run.logFile.empty()) run.logFile = job->logFile;
  if (run.versions.empty()) run.versions = job->versions;
  if (run.keepVersions == 0) run.keepVersions = job->keepVersions;
  if (run.keepVersions != 0 && run.versions.empty()) {
    err << kName << Text(Msg::CliKeepVersionsNeedsVersions) << '\n';
    return false;
  }
  if (!job->destinationVolume.empty()) {
    // A backup disk that is not mounted leaves its empty mount point on the
    // system's volume: filling it would look like a backup and be none.
    const std::string now =
        p.volumeOf ? p.volumeOf(job->destination + PlusYen(job->destination)) : std::string();
    if (now.empty()) {
      err << kName << Text(Msg::CliDestUnopened, job->destination) << '\n';
      return false;
    }
    if (now != job->destinationVolume) {
      err << kName << Text(Msg::CliOtherVolume, job->destination) << '\n';
      return false;
    }
  }
  return true;
}

}  // namespace

int RunCopyJob(const CliOptions& options, CliPlatform& p, std::ostream& out, std::ostream& err,
               const std::atomic<bool>& interrupted) {
  FileSystem& fs = p.fs;
  std::string sourceText = options.source;
  std::string destText = options.dest;
  if (options.last) {
    SavedJob last;
    std::string why;
    if (!LoadLastJob(fs, LastJobPath(p.settingsFolder), last, why)) {
      err << kName << why << '\n';
      return kExitBadInput;
    }
    sourceText = last.source;
    destText = last.destination;
  }

  JobState state;
  // Lines name each item by its path below the root: nothing around them
  // tells which folder a bare name is in.
  state.ItemsByPath = true;
  const bool progress = p.terminal && !options.quiet;
  ConsoleView view(out, err, {options.verbose, options.quiet, progress}, interrupted, state);
  std::unique_ptr<JobLog> log;
  if (!options.logFile.empty()) {
    log = std::make_unique<JobLog>(options.logFile, err);
    if (!log->Open()) {
      err << kName << Text(Msg::CliCannotOpenLog, options.logFile) << '\n';
      return kExitBadInput;
    }
    view.LogTo(log.get());
    view.Line(JobStartLine(options.sync, options.dryRun, sourceText, destText));
  }
  // The log ends with the status; a log that lost lines makes the job fail.
  const auto finish = [&](int status) {
    if (!log) return status;
    log->Line(JobEndLine(status));
    return log->Failed() && status == kExitOk ? kExitFailed : status;
  };
  struct ObserverReset {
    FileSystem& fs;
    ~ObserverReset() { fs.ObserveCopies(nullptr); }
  } observerReset{fs};
  if (progress) fs.ObserveCopies(&view);

  const std::string source = NormaliseFolderArg(sourceText);
  const std::string dest = NormaliseFolderArg(destText);
  CopyJob job(fs, p.recycler, view, state);
  job.SetFolders(source, dest);
  const auto refuse = [&](const std::string& text, int status) {
    err << kName << VisibleText(text) << '\n';
    if (log) log->Line(VisibleText(text));
    return finish(status);
  };

  // The window's checks, with console answers. Nothing is made before these
  // pass, and a mistyped source never reaches the pruning.
  JobRefusal refusal = job.CheckFolders(false);
  if (refusal == JobRefusal::None && !IsFolder(fs, state.MotoFolder)) {
    refusal = JobRefusal::NoSource;
  }
  if (refusal == JobRefusal::NoSource) {
    return refuse(job.RefusalText(refusal) + " " + sourceText, kExitBadInput);
  }
  if (refusal != JobRefusal::None) return refuse(job.RefusalText(refusal), kExitBadInput);
  std::string versions;
  if (!options.versions.empty()) {
    versions = NormaliseFolderArg(options.versions);
    versions += PlusYen(versions);
    if (const VersionsRefusal why = CheckVersionsFolder(fs, state, versions);
        why != VersionsRefusal::None) {
      return refuse(VersionsRefusalText(why, versions), kExitBadInput);
    }
  }

  state.DryRun = options.dryRun;
  const std::time_t jobTime = std::time(nullptr);
  state.Parallel = options.parallel;
  bool refusedRemoval = false;
  const auto start = std::chrono::steady_clock::now();
  try {
    refusal = job.SettleDestination();
    if (refusal == JobRefusal::DestUnreachable) {
      // The whole job failed: the summary must not read as a clean one.
      state.FailedCount = 1;
      view.EndProgress();
      const std::string text = job.RefusalText(refusal) + " " + state.SakiFolder;
      out << JobSummaryLine(state, 0) << '\n';
      err << kName << VisibleText(text) << '\n';
      if (log) {
        log->Line(VisibleText(text));
        log->Line(JobSummaryLine(state, 0));
      }
      return finish(kExitFailed);
    }
    if (refusal != JobRefusal::None) return refuse(job.RefusalText(refusal), kExitBadInput);
    if (!versions.empty()) {
      if (const VersionsRefusal why = UseVersionsFolder(fs, state, versions, jobTime);
          why != VersionsRefusal::None) {
        return refuse(VersionsRefusalText(why, versions), kExitBadInput);
      }
    }
    // --sync is the user's consent to removals.
    state.PruneConfirmed = options.sync;
    if (options.countFirst) {
      // The same job as a silent preview: what there is to copy, and how much.
      JobState plan = state;
      plan.DryRun = true;
      std::ostringstream ignored;
      ConsoleView counter(ignored, ignored, {false, true, false, true}, interrupted, plan);
      CopyEngine(fs, p.recycler, counter, plan).FolderCopy(plan.MotoFolder);
      view.Expect(counter.FilesDone(), counter.BytesDone());
    }
    job.Run([&] { return options.sync; },
            [&](const PruneCount& count) {
              if (options.forceRemove) return true;
              refusedRemoval = true;
              view.EndProgress();
              err << kName
                  << Text(versions.empty() ? Msg::CliMassRemovalSkipped
                                           : Msg::CliMassRemovalSkippedVersions,
                          count.entries, count.removals)
                  << '\n';
              return false;
            });
    // The one deletion for good, asked for by name: old versions only.
    if (options.keepVersions != 0 && !state.StopFlag) {
      DropOldVersions(fs, view, state, versions, options.keepVersions, jobTime);
    }
  } catch (const std::exception& error) {
    // The walks trap their own errors; this is the last net, as the window's.
    view.MsgBox(ErrorDescription(error), kMbOk, {});
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  view.EndProgress();
  view.Line(ResultLine(state));
  if (state.NoTrash) view.Line(Text(Msg::NoTrashHint));

  int status = kExitOk;
  if (options.remember && !options.dryRun) {
    try {
      Remember(p, source, dest);
    } catch (const std::exception& e) {
      view.MsgBox(Text(Msg::HistoryUnsavedBecause, ErrorDescription(e)), kMbOk, {});
    }
  }
  const std::string summary = JobSummaryLine(state, seconds);
  if (log) log->Line(summary);
  out << summary << '\n';
  out.flush();
  if (state.StopFlag) {
    err << kName << ResultLine(state) << '\n';
    status = kExitInterrupted;
  } else if (state.FailedCount > 0 || view.MessageCount() > 0) {
    status = kExitFailed;
  } else if (refusedRemoval) {
    status = kExitRefused;
  }
  return finish(status);
}

int CliMain(const std::vector<std::string>& args, CliPlatform& platform, std::ostream& out,
            std::ostream& err, const std::atomic<bool>& interrupted) {
  std::string error;
  const std::optional<CliOptions> options = ParseCliArgs(args, error);
  if (!options) {
    err << kName << error << '\n' << Text(Msg::CliUsage) << '\n';
    return kExitBadInput;
  }
  if (options->help) {
    out << Text(Msg::CliUsage) << "\n\n" << Text(Msg::CliHelp);
    return kExitOk;
  }
  if (options->version) {
    out << VersionText("mirtel-cli");
    return kExitOk;
  }
  if (options->listJobs) return ListJobs(platform, out, err);
  if (!options->deleteJob.empty()) return DeleteJob(*options, platform, out, err);
  if (!options->saveJob.empty()) return SaveJob(*options, platform, out, err);
  if (!options->job.empty()) {
    CliOptions run;
    if (!SavedJobOptions(*options, platform, run, err)) return kExitBadInput;
    return RunCopyJob(run, platform, out, err, interrupted);
  }
  return RunCopyJob(*options, platform, out, err, interrupted);
}

}  // namespace mirtel
