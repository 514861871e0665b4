// The program's numbered strings (the hover hints), looked up at run time.
#pragma once

#include <string>

namespace mirtel {

// The text of string `id`, or "" when there is none.
std::string LoadResString(int id);

}  // namespace mirtel
