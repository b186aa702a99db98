// The system's own words for an error, for the messages the programs show.
#pragma once

#include <windows.h>

#include <string>

namespace pw {

// The message for `code` (from GetLastError), without the line end it comes with.
std::wstring SystemMessage(DWORD code);

}  // namespace pw
