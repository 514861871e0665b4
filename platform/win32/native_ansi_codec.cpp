#include "platform/native_ansi_codec.h"

#include "platform/win32/win32_ansi_codec.h"

namespace mirtel {

std::unique_ptr<AnsiCodec> MakeNativeAnsiCodec() { return std::make_unique<Win32AnsiCodec>(); }

}  // namespace mirtel
