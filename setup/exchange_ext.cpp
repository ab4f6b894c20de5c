// EnumExchangeExt: one value of the Exchange client's extension key to the front.
//
// The registry has no call that reorders values. Windows lists a key's values
// in the order they were written, so the only way to put one first is to take
// every value out and write them all back, that one first.
#include <windows.h>

#include "export.h"
#include "saved_value.h"

namespace qsetup {
namespace {

constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";

// A record has room for just the data it is to hold. Extension values are
// short texts, and under Wine a block of the full 1,024 bytes costs several
// times as much to allocate as a short one: with 1,000 values that showed as
// some 15% of the whole run, on top of the registry calls themselves.
SavedValue* NewRecord(HANDLE heap, DWORD room)
{
    auto* record = static_cast<SavedValue*>(HeapAlloc(heap, 0, RecordSize(room)));
    if (record != nullptr)
        ClearRecord(*record, room);
    return record;
}

// Takes the key's values out one by one, always from position 0: each value
// is deleted once it is saved, so the next one moves up. Returns whether the
// scan reached the end of the key's values; on an early stop the value being
// read and those after it stay in the key untouched.
bool TakeOutValues(HKEY key, HANDLE heap, const char* firstName, SavedList& list)
{
    char name[kValueNameSize];
    BYTE data[kValueDataSize];
    for (;;) {
        DWORD nameLength = sizeof name;
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        const LONG status = RegEnumValueA(key, 0, name, &nameLength, nullptr, &type, data, &dataLength);
        if (status == ERROR_NO_MORE_ITEMS)
            return true;
        if (status != ERROR_SUCCESS)
            return false; // ERROR_MORE_DATA among others: a value too big for a record

        const bool named = !list.headHoldsValue && firstName != nullptr && lstrcmpiA(name, firstName) == 0;
        SavedValue* record = named ? list.head : NewRecord(heap, dataLength);
        if (record == nullptr)
            return false;
        // A value that cannot be deleted would be read again at position 0
        // for ever; it ends the scan instead, left where it is and not saved.
        if (!SaveValue(*record, {name, nameLength, type, data, dataLength})
            || RegDeleteValueA(key, name) != ERROR_SUCCESS) {
            if (!named)
                HeapFree(heap, 0, record);
            return false;
        }
        if (named)
            list.headHoldsValue = true;
        else
            list.Append(record);
    }
}

// Writes every saved value back, head first, and frees every record. A failed
// write does not stop the others. Returns whether every write succeeded.
bool WriteBackValues(HKEY key, HANDLE heap, SavedList& list)
{
    bool allWritten = true;
    SavedValue* record = list.head;
    while (record != nullptr) {
        if (list.HoldsValue(record)
            && RegSetValueExA(key, record->name, 0, record->type, record->data(), record->length) != ERROR_SUCCESS)
            allWritten = false;
        SavedValue* const next = record->next;
        HeapFree(heap, 0, record);
        record = next;
    }
    list.head = list.tail = nullptr;
    return allWritten;
}

} // namespace
} // namespace qsetup

// Reads the values of HKLM\Software\Microsoft\Exchange\Client\Extensions and
// the name in `firstName`; writes every value back with its type and data, the
// named one first (letter case ignored) and the others in their former order.
// The window and the integer are not touched. Returns 1 when every value was
// taken out and written back, else 0.
QSETUP_API EnumExchangeExt(HWND, int*, const char* firstName)
{
    using namespace qsetup;

    const HANDLE heap = GetProcessHeap();
    // The named value's length is not known until it is read.
    SavedValue* const head = NewRecord(heap, kValueDataSize);
    if (head == nullptr)
        return 0;

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) {
        HeapFree(heap, 0, head);
        return 0;
    }

    SavedList list(head);
    const bool scanComplete = TakeOutValues(key, heap, firstName, list);
    const bool allWritten = WriteBackValues(key, heap, list);
    RegCloseKey(key);
    return scanComplete && allWritten ? 1 : 0;
}
