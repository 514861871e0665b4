// Every text a user reads about a failure is made here, from the error's
// kind: the platforms report kinds and the system's diagnostics, never
// texts of their own.
#pragma once

#include <exception>
#include <string>

#include "platform/fs_error.h"

namespace mirtel {

// The text of a kind, in the program's language; never empty.
std::string KindText(FsErrorKind kind);

// The reason and the path, for a message box.
std::string ErrorDescription(const std::exception& error);

// A saved job's key `key` that is not a whole number from 1 to `most`.

// The reason alone, one line, for the result list (the line names the item).
std::string ErrorReason(const std::exception& error);

}  // namespace mirtel
