// The records that EnumExchangeExt holds a registry value in between taking it
// out of the key and writing it back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qsetup {

// Room of the reads: a value name of up to 255 characters and its NUL, data of
// up to 1024 bytes. A value that does not fit is refused by the read itself.
inline constexpr std::size_t kValueNameSize = 256;
inline constexpr std::size_t kValueDataSize = 1024;

// One value as the key held it: this header, followed in the same heap block
// by `room` bytes for its data. The type and the byte count are kept beside
// the data, so a value that is not a text (or a text without its NUL) is
// written back as exactly the value it was.
struct SavedValue {
    char name[kValueNameSize];
    std::uint32_t type;
    std::uint32_t length; // data bytes held
    std::uint32_t room;   // data bytes the block has after the header
    SavedValue* next;

    unsigned char* data() { return reinterpret_cast<unsigned char*>(this + 1); }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(this + 1); }
};

// Bytes to allocate for a record with room for `room` data bytes.
constexpr std::size_t RecordSize(std::size_t room)
{
    return sizeof(SavedValue) + room;
}

// What one read of the key reported.
struct ValueRead {
    const char* name;
    std::size_t nameLength; // without the NUL
    std::uint32_t type;
    const unsigned char* data;
    std::size_t length;
};

// A block fresh from the heap holds garbage; this makes it an empty record
// with room for `room` data bytes (at most kValueDataSize).
constexpr void ClearRecord(SavedValue& record, std::size_t room)
{
    record.name[0] = '\0';
    record.type = 0;
    record.length = 0;
    record.room = static_cast<std::uint32_t>(room < kValueDataSize ? room : kValueDataSize);
    record.next = nullptr;
}

// Copies the value into the record when its name (with a NUL) fits the name
// field and its data fits the record's room; otherwise leaves the record as it
// was. Returns whether the copy was made.
inline bool SaveValue(SavedValue& record, const ValueRead& value)
{
    if (value.nameLength >= kValueNameSize || value.length > record.room)
        return false;
    for (std::size_t i = 0; i < value.nameLength; ++i)
        record.name[i] = value.name[i];
    record.name[value.nameLength] = '\0';
    unsigned char* const data = record.data();
    for (std::size_t i = 0; i < value.length; ++i)
        data[i] = value.data[i];
    record.type = value.type;
    record.length = static_cast<std::uint32_t>(value.length);
    return true;
}

// The list of one call: the head is reserved for the named value and comes
// first in the write-back; the other values follow in the order they were read.
// Whether the head holds a value is a flag of its own, because the key's
// unnamed default value is read with an empty name and may be the named one.
struct SavedList {
    SavedValue* head = nullptr;
    SavedValue* tail = nullptr;
    bool headHoldsValue = false;

    constexpr explicit SavedList(SavedValue* reserved) : head(reserved), tail(reserved) {}

    constexpr void Append(SavedValue* record)
    {
        record->next = nullptr;
        tail->next = record;
        tail = record;
    }

    // Whether the write-back writes this record of the list.
    constexpr bool HoldsValue(const SavedValue* record) const
    {
        return record != head || headHoldsValue;
    }
};

} // namespace qsetup
