#include "platform/posix/temporary_name.h"

#include <signal.h>

#include <cerrno>
#include <cstdint>
#include <string_view>

namespace mirtel {

namespace {

constexpr std::string_view kHead = ".mirtel-";
constexpr std::string_view kTail = ".tmp";

// A positive decimal number without leading zeros, at most `max`, taken
// from the front of `text`.
bool TakeNumber(std::string_view& text, std::uint64_t max, std::uint64_t& value) {
  std::size_t i = 0;
  value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > max) return false;
    ++i;
  }
  if (i == 0 || text[0] == '0') return false;
  text.remove_prefix(i);
  return true;
}

}  // namespace

std::string TemporaryName(pid_t pid, unsigned number) {
  return std::string(kHead) + std::to_string(pid) + "-" + std::to_string(number) +
         std::string(kTail);
}

Temporary ClassifyTemporaryName(const std::string& name, pid_t self) {
  std::string_view rest(name);
  if (!rest.starts_with(kHead)) return Temporary::NotOurs;
  rest.remove_prefix(kHead.size());
  std::uint64_t pid = 0;
  std::uint64_t number = 0;
  if (!TakeNumber(rest, 0x7fffffff, pid) || !rest.starts_with('-')) return Temporary::NotOurs;
  rest.remove_prefix(1);
  if (!TakeNumber(rest, 0xffffffff, number) || rest != kTail) return Temporary::NotOurs;
  const auto owner = static_cast<pid_t>(pid);
  if (owner == self) return Temporary::Live;
  // EPERM: it runs, under another user.
  if (::kill(owner, 0) == 0 || errno == EPERM) return Temporary::Live;
  return Temporary::Dead;
}

}  // namespace mirtel
