#pragma once
// <windows.h> without the macros that rename the platform layer's own members
// (CreateDirectory, CopyFile, LoadString, MessageBox...): the Win32 sources call the A and W
// functions by their full names.
#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef LoadString
#undef MessageBox
#undef PostMessage
#undef SendMessage
#undef SetCurrentDirectory
