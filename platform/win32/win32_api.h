// <windows.h> for this folder's sources, without the macros that would rename
// our own members (CopyFile is one of FileSystem's).
#pragma once

#include <windows.h>
#undef CopyFile
