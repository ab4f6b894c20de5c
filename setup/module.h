// The library's own module handle, kept from the process-attach notification.
#pragma once

#include <windows.h>

namespace qsetup {

HINSTANCE ModuleHandle();

} // namespace qsetup
