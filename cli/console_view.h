// The walks' window, as a console sees it: result lines on stdout, status
// texts with --verbose, message boxes on stderr, Ctrl+C (or a signal to
// end) as the Stop button, a progress line on a terminal, and the lines of
// a log file. Names are shown with their control characters escaped.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/job_log.h"
#include "engine/job_state.h"
#include "platform/file_system.h"
#include "platform/walk_view.h"

namespace mirtel {

struct ConsoleOptions {
  bool verbose = false;   // status texts too, and "result: " before result lines
  bool quiet = false;     // no result lines at all
  bool progress = false;  // a refreshing progress line on stderr
  bool measure = false;   // count the bytes copied (for the progress, or a count first)
};

class ConsoleView : public WalkView, public CopyObserver {
 public:
  ConsoleView(std::ostream& out, std::ostream& err, ConsoleOptions options,
              const std::atomic<bool>& interrupted, JobState& state)
      : out_(out), err_(err), options_(options), interrupted_(interrupted), state_(state) {}

  void SetStatus(std::string_view text) override;
  void AppendResult(std::string_view line) override;
  void Yield() override;
  void Copied(const std::string& source) override;
  int MsgBox(std::string_view prompt, int buttons, std::string_view title) override;
  // The bytes of a large file as they are copied.
  void CopyProgress(const std::string& source, std::uint64_t done, std::uint64_t total) override;

  // Every line also goes to `log`.
  void LogTo(JobLog* log) { log_ = log; }
  // What the job will do, counted beforehand: the progress shows the share.
  void Expect(std::int64_t files, std::uint64_t bytes);
  // Ends the progress line so that what follows starts on a clean line.
  void EndProgress();
  // Writes one line to stdout and the log.
  void Line(std::string_view text);

  int MessageCount() const { return messageCount_; }
  std::int64_t FilesDone() const { return files_; }
  std::uint64_t BytesDone() const { return bytes_; }

 private:
  void ShowProgress(bool force);

  std::ostream& out_;
  std::ostream& err_;
  ConsoleOptions options_;
  const std::atomic<bool>& interrupted_;
  JobState& state_;
  JobLog* log_ = nullptr;
  int messageCount_ = 0;
  std::int64_t files_ = 0;
  std::uint64_t bytes_ = 0;
  std::uint64_t inFlight_ = 0;  // bytes of the file being copied
  std::int64_t expectedFiles_ = -1;
  std::uint64_t expectedBytes_ = 0;
  std::string current_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_{};
  bool progressShown_ = false;
};

}  // namespace mirtel
