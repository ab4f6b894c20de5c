#pragma once

namespace qremove {

// Tries every step of the removal list once, in order, whatever the earlier
// steps achieved. Reports nothing.
void RemoveProductEntries();

} // namespace qremove
