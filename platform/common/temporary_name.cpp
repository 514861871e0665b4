#include "platform/common/temporary_name.h"

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

std::string TemporaryName(std::uint64_t pid, std::uint64_t number) {
  return std::string(kHead) + std::to_string(pid) + "-" + std::to_string(number) +
         std::string(kTail);
}

bool TemporaryNameOwner(std::string_view name, std::uint64_t maxPid, std::uint64_t& pid) {
  if (!name.starts_with(kHead)) return false;
  name.remove_prefix(kHead.size());
  std::uint64_t number = 0;
  if (!TakeNumber(name, maxPid, pid) || !name.starts_with('-')) return false;
  name.remove_prefix(1);
  return TakeNumber(name, 0xffffffff, number) && name == kTail;
}

Temporary ClassifyTemporaryName(std::string_view name, std::uint64_t maxPid, std::uint64_t self,
                                bool (*runs)(std::uint64_t pid)) {
  std::uint64_t pid = 0;
  if (!TemporaryNameOwner(name, maxPid, pid)) return Temporary::NotOurs;
  if (pid == self || runs(pid)) return Temporary::Live;
  return Temporary::Dead;
}

}  // namespace mirtel
