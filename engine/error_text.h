// The Japanese description of an error, as the message boxes show it.
#pragma once

#include <exception>
#include <string>

namespace mirtel {

std::string ErrorDescription(const std::exception& error);

}  // namespace mirtel
