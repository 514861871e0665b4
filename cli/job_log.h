// The log of a job (--log): every line is handed to the system before the
// next item is looked at, so a run that is killed leaves every line up to
// that moment. A line that cannot be written is said once on standard
// error, and the job cannot end clean.
#pragma once

#include <fstream>
#include <ostream>
#include <string>
#include <string_view>

namespace mirtel {

class JobLog {
 public:
  // Appends to the file at `path` (UTF-8).
  JobLog(std::string path, std::ostream& err) : path_(std::move(path)), err_(err) {}

  // False when the file cannot be opened for appending.
  bool Open();
  // One line after the local time, flushed.
  void Line(std::string_view text);
  // True once any line was lost.
  bool Failed() const { return failed_; }

 private:
  std::string path_;
  std::ostream& err_;
  std::ofstream file_;
  bool failed_ = false;
};

}  // namespace mirtel
