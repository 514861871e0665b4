#include "platform/native_ansi_codec.h"

#include "platform/posix/posix_ansi_codec.h"

namespace mirtel {

std::unique_ptr<AnsiCodec> MakeNativeAnsiCodec() { return std::make_unique<PosixAnsiCodec>(); }

}  // namespace mirtel
