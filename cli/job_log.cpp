#include "cli/job_log.h"

#include <filesystem>

#include "platform/console.h"
#include "text/message.h"

namespace mirtel {

bool JobLog::Open() {
  file_.open(std::filesystem::path(std::u8string(path_.begin(), path_.end())),
             std::ios::binary | std::ios::app);
  return file_.is_open();
}

void JobLog::Line(std::string_view text) {
  if (!file_.is_open() || failed_) {
    failed_ = failed_ || !file_.is_open();
    return;
  }
  file_ << LocalTimestamp() << ' ' << text << '\n';
  file_.flush();
  if (!file_) {
    // Said once: a full disk would otherwise repeat it for every item.
    failed_ = true;
    err_ << "mirtel-cli: " << Text(Msg::CliCannotWriteLog, path_) << '\n';
    err_.flush();
  }
}

}  // namespace mirtel
