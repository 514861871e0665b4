// The rule of our temporary copies' names, the same on every system:
// ".mirtel-<process id>-<number>.tmp", both numbers in decimal without sign
// or leading zero. A name is only a first sign: a file is ours only when it
// also carries the mark our copies carry while they are written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace mirtel {

std::string TemporaryName(std::uint64_t pid, std::uint64_t number);

// True when `name` follows the rule exactly, with a process id of at most
// `maxPid`, which goes to `pid`.
bool TemporaryNameOwner(std::string_view name, std::uint64_t maxPid, std::uint64_t& pid);

// Whose temporary `name` is by its name alone: Live while its process is
// `self` or still runs (`runs`, which counts one we may not look at as
// running: its temporaries are not ours to take), Dead once that process
// has ended, NotOurs for any other name.
Temporary ClassifyTemporaryName(std::string_view name, std::uint64_t maxPid, std::uint64_t self,
                                bool (*runs)(std::uint64_t pid));

}  // namespace mirtel
