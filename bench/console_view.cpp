#include "bench/console_view.h"

#include <string>

namespace mirtel {
namespace {

// One message per stderr line, whatever breaks the prompt holds.
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

}  // namespace

void ConsoleView::SetStatus(std::string_view text) {
  if (verbose_) out_ << "status: " << text << '\n';
}

void ConsoleView::AppendResult(std::string_view line) {
  if (verbose_) out_ << "result: " << line << '\n';
}

void ConsoleView::Yield() {
  // Ctrl+C is this view's Stop button.
  if (interrupted_.load(std::memory_order_relaxed)) state_.StopFlag = true;
}

int ConsoleView::MsgBox(std::string_view prompt, int buttons, std::string_view title) {
  ++messageCount_;
  out_.flush();  // keep the message after the lines that led to it
  err_ << "message: " << (title.empty() ? std::string_view("mirtel") : title) << ": "
       << OneLine(prompt) << '\n';
  err_.flush();
  // Nobody is there to answer: OK, and No to a question (the harmless choice).
  return (buttons & kMbYesNo) == kMbYesNo ? kIdNo : kIdOk;
}

}  // namespace mirtel
