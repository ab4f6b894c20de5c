// Message boxes whose texts come from the library's string table.
#pragma once

#include <windows.h>

namespace qsetup {

// Ids of the string table (resources/strings.rc).
inline constexpr UINT kIdsInternalError = 102;
inline constexpr UINT kIdsFileInUse = 103;
inline constexpr UINT kIdsInstalling = 109;
inline constexpr UINT kIdsTypeEnglish = 110;

// Shows a modal box: string `textId` (its "%s" filled with `argument`, if given),
// caption string `captionId`, `style` passed unchanged. Returns when it is closed.
void ShowResourceMessage(HWND owner, UINT textId, const char* argument, UINT captionId, UINT style);

} // namespace qsetup
