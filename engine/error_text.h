// The Japanese description of an error, as the message boxes show it.
#pragma once

#include <exception>
#include <string>

namespace mirtel {

// The reason and the path, for a message box.
std::string ErrorDescription(const std::exception& error);

// The reason alone, one line, for the result list (the line names the item).
std::string ErrorReason(const std::exception& error);

}  // namespace mirtel
