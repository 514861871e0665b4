// The running system's ANSI code page codec, for mirtel.dat.
#pragma once

#include <memory>

#include "platform/ansi_codec.h"

namespace mirtel {

std::unique_ptr<AnsiCodec> MakeNativeAnsiCodec();

}  // namespace mirtel
