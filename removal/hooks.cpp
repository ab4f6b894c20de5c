// The two hooks that the removal engine calls by name.
#include <windows.h>

#include "export.h"
#include "remove_entries.h"

// Reads nothing, writes nothing. Returns 0.
QREMOVE_API UninstInitialize(DWORD, DWORD, DWORD)
{
    return 0;
}

// Reads nothing from its arguments; deletes the product's keys, its Exchange
// extension value and extend.dat in the Windows directory. Returns 0.
QREMOVE_API UninstUnInitialize(DWORD, DWORD, DWORD)
{
    qremove::RemoveProductEntries();
    return 0;
}
