/*
 * quillet_setup.h: the exports of qsetup.dll and qremove.dll, as the Quillet
 * setup and removal engines call them.
 *
 * Both DLLs are 32-bit. Every export uses the stdcall convention (__stdcall,
 * WINAPI): the caller pushes the arguments last to first and the export
 * removes them from the stack itself. No import library is shipped: an engine
 * loads the DLL with LoadLibraryA and finds each export with GetProcAddress
 * under its exported name. Every name is plain (undecorated), except one:
 *
 *   IsStringEnglish is exported only under the decorated symbol
 *   QSETUP_ISSTRINGENGLISH_SYMBOL, "?IsStringEnglish@@YGHPAE@Z": the name with
 *   its parameter list, one pointer to unsigned char (YG: __stdcall, H: int
 *   result, PAE: unsigned char *, @Z: end of the list). GetProcAddress(dll,
 *   "IsStringEnglish") finds nothing.
 *
 * Texts are NUL-terminated ANSI texts of the system code page.
 */
#ifndef QUILLET_SETUP_H
#define QUILLET_SETUP_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- qsetup.dll ------------------------------------------------------------
 *
 * The setup call form: window of the setup engine (never read), pointer to a
 * 32-bit integer that an export may set, writable text buffer that an export
 * reads and may rewrite in place, never making the text longer (its size is
 * not passed). Exports of this form: GetName, EnumExchangeExt, DelSpase,
 * CheckPlatform, CheckVersion.
 */
typedef int(__stdcall *QSETUP_SETUP_FORM)(HWND window, int *integer, char *text);

/* Cuts text at its first ';' and writes DIR, PROC and MACRO of section QUILL
 * in quill.ini from the directory before it; shows a box when a write fails.
 * Returns 1. */
int __stdcall GetName(HWND window, int *integer, char *text);

/* Moves the value named by text to the front of the values of HKLM
 * "Software\Microsoft\Exchange\Client\Extensions". Returns 1 when every
 * value was taken out and written back, else 0 (also when the key cannot be
 * opened). */
int __stdcall EnumExchangeExt(HWND window, int *integer, char *text);

/* A text with a byte above 0x80: shows a box, sets *integer to 0, returns 0.
 * Otherwise removes leading white space, keeps at most 18 bytes, returns 1. */
int __stdcall DelSpase(HWND window, int *integer, char *text);

/* 0 on the Windows NT family, 1 on the Windows 95 family, 2 on Win32s. */
int __stdcall CheckPlatform(HWND window, int *integer, char *text);

/* 4 when the Windows major version is 4 or later, else 0. */
int __stdcall CheckVersion(HWND window, int *integer, char *text);

/* 1 when no byte of text is above 0x80 (a null text counts as empty), else 0.
 * Exported under QSETUP_ISSTRINGENGLISH_SYMBOL; see the top of this file. */
#define QSETUP_ISSTRINGENGLISH_SYMBOL "?IsStringEnglish@@YGHPAE@Z"
typedef int(__stdcall *QSETUP_ISSTRINGENGLISH)(unsigned char *text);

/* The file exports: the 16-bit Windows file functions with the suffix 32.
 * Handles are the handles of CreateFileA; -1 is a failure. */
typedef int(__stdcall *QSETUP_OPENFILE32)(const char *name, void *ignored, int mode);
typedef int(__stdcall *QSETUP_LCLOSE32)(int handle);
typedef int(__stdcall *QSETUP_LREAD32)(int handle, void *buffer, int count);
typedef int(__stdcall *QSETUP_LWRITE32)(int handle, const void *buffer, int count);
typedef int(__stdcall *QSETUP_LLSEEK32)(int handle, int distance, int origin);

/* mode: exactly one of OF_READ 0, OF_WRITE 1, OF_READWRITE 2, OF_DELETE 0x200,
 * OF_CREATE 0x1000, OF_EXIST 0x4000; no flag may be added. Returns the handle,
 * 6 for a deleted file, the value of an already closed handle for OF_EXIST,
 * or -1. The second argument is never touched and may be null. */
int __stdcall OpenFile32(const char *name, void *ignored, int mode);
/* 0, or -1 when CloseHandle fails. */
int __stdcall _lclose32(int handle);
/* Bytes read (0 at the end of the file), or -1. */
int __stdcall _lread32(int handle, void *buffer, int count);
/* Bytes written, or -1. */
int __stdcall _lwrite32(int handle, const void *buffer, int count);
/* origin 0 FILE_BEGIN, 1 FILE_CURRENT, 2 FILE_END: the new position, or -1. */
int __stdcall _llseek32(int handle, int distance, int origin);

/* ---- qremove.dll -----------------------------------------------------------
 *
 * The removal engine's hooks: three 32-bit arguments, none of them read;
 * result 0. UninstUnInitialize deletes HKCR ".qx" and "QUILLET.ATT" with its
 * subkeys, HKCU "Software\Tarvolin\quill95" with its subkeys, the value
 * "QuilletGuard" of the Exchange extension key and extend.dat in the Windows
 * directory.
 */
typedef int(__stdcall *QREMOVE_HOOK)(DWORD first, DWORD second, DWORD third);
int __stdcall UninstInitialize(DWORD first, DWORD second, DWORD third);
int __stdcall UninstUnInitialize(DWORD first, DWORD second, DWORD third);

#ifdef __cplusplus
}

/* In C++ with the Microsoft compiler this declaration is what produces the
 * decorated symbol; MinGW's g++ decorates differently, so from MinGW look the
 * export up by QSETUP_ISSTRINGENGLISH_SYMBOL. */
int __stdcall IsStringEnglish(unsigned char *text);
#endif

#endif /* QUILLET_SETUP_H */
