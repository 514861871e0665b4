#include "cli/console_view.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "job/visible_text.h"
#include "platform/console.h"
#include "text/message.h"

namespace mirtel {
namespace {

// Redrawn at most this often: more is only flicker and cost.
constexpr auto kRedraw = std::chrono::milliseconds(100);

// One message per line, whatever breaks the prompt holds.
std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += c;
    }
  }
  return line;
}

std::string Size(std::uint64_t bytes) {
  char text[32];
  if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
  } else if (bytes < 1024ull * 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
  } else {
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / (1024 * 1024 * 1024));
  }
  return text;
}

// The tail of a long name: the progress line fits a terminal's width.
std::string Tail(const std::string& name, std::size_t bytes) {
  if (name.size() <= bytes) return name;
  std::size_t start = name.size() - bytes;
  while (start < name.size() && (static_cast<unsigned char>(name[start]) & 0xC0) == 0x80) ++start;
  return "…" + name.substr(start);
}

}  // namespace

void ConsoleView::Line(std::string_view text) {
  const std::string shown = VisibleText(text);
  if (log_ != nullptr) log_->Line(shown);
  if (options_.quiet) return;
  if (progressShown_) EndProgress();
  out_ << shown << '\n';
}

void ConsoleView::SetStatus(std::string_view text) {
  if (options_.verbose) {
    if (progressShown_) EndProgress();
    out_ << "status: " << VisibleText(text) << '\n';
  }
}

void ConsoleView::AppendResult(std::string_view line) {
  const std::string shown = VisibleText(line);
  if (log_ != nullptr) log_->Line(shown);
  if (options_.quiet) return;
  if (progressShown_) EndProgress();
  if (options_.verbose) out_ << "result: ";
  out_ << shown << '\n';
}

void ConsoleView::Yield() {
  // Ctrl+C is this view's Stop button.
  if (interrupted_.load(std::memory_order_relaxed)) state_.StopFlag = true;
  if (options_.progress) ShowProgress(false);
}

void ConsoleView::Copied(const std::string& source) {
  ++files_;
  inFlight_ = 0;
  // A look at the file costs a system call: only where someone reads it.
  if (!options_.progress && !options_.measure) return;
  std::error_code ec;
  const auto path = std::filesystem::path(std::u8string(source.begin(), source.end()));
  const auto size = std::filesystem::file_size(path, ec);
  if (!ec) bytes_ += size;
  current_ = path.filename().string();
}

void ConsoleView::CopyProgress(const std::string& source, std::uint64_t done, std::uint64_t) {
  inFlight_ = done;
  current_ = std::filesystem::path(std::u8string(source.begin(), source.end())).filename().string();
  if (options_.progress) ShowProgress(false);
}

void ConsoleView::Expect(std::int64_t files, std::uint64_t bytes) {
  expectedFiles_ = files;
  expectedBytes_ = bytes;
  files_ = 0;
  bytes_ = 0;
  start_ = std::chrono::steady_clock::now();
}

void ConsoleView::ShowProgress(bool force) {
  const auto now = std::chrono::steady_clock::now();
  // A result line in between erases the progress; it comes back at the next
  // redraw, not at once, or a walk of small files would redraw per file.
  if (!force && now - shown_ < kRedraw) return;
  shown_ = now;
  const std::uint64_t bytes = bytes_ + inFlight_;
  std::string line = Text(Msg::CliProgressFiles, files_, Size(bytes));
  if (expectedFiles_ >= 0) {
    const double share =
        expectedBytes_ > 0   ? static_cast<double>(bytes) / static_cast<double>(expectedBytes_)
        : expectedFiles_ > 0 ? static_cast<double>(files_) / static_cast<double>(expectedFiles_)
                             : 1.0;
    const double clamped = share > 1 ? 1 : share;
    line += Text(Msg::CliProgressShare, static_cast<int>(clamped * 100));
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (clamped > 0.01 && clamped < 1) {
      const long left = static_cast<long>(elapsed * (1 - clamped) / clamped);
      char seconds[8];
      std::snprintf(seconds, sizeof seconds, "%02ld", left % 60);
      line += Text(Msg::CliProgressLeft, left / 60, seconds);
    }
    line += Text(Msg::CliProgressEnd);
  }
  if (!current_.empty()) line += "  " + Tail(VisibleText(current_), 40);
  err_ << "\r\x1b[K" << line;
  err_.flush();
  progressShown_ = true;
}

void ConsoleView::EndProgress() {
  if (!progressShown_) return;
  err_ << "\r\x1b[K";
  err_.flush();
  progressShown_ = false;
}

int ConsoleView::MsgBox(std::string_view prompt, int buttons, std::string_view title) {
  ++messageCount_;
  if (progressShown_) EndProgress();
  out_.flush();  // keep the message after the lines that led to it
  const std::string text =
      "message: " + std::string(title.empty() ? std::string_view("mirtel") : title) + ": " +
      VisibleText(OneLine(prompt));
  if (log_ != nullptr) log_->Line(text);
  err_ << text << '\n';
  err_.flush();
  // Nobody is there to answer: OK, and No to a question (the harmless choice).
  return (buttons & kMbYesNo) == kMbYesNo ? kIdNo : kIdOk;
}

}  // namespace mirtel
