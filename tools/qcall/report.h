// qcall's transcript: one item a line on standard output, in the order things
// happened, with handles shown as stable labels (file#1, key#2) so that two
// runs of one script give the same transcript.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qcall {

void Line(const std::string& text);

// Any message box shown since the last call of this is printed now; the trace
// calls it before each of its lines so that boxes stand where they appeared.
void PrintNewBoxes();
void StartCatchingBoxes(bool answerOk);

enum class LabelKind { Key, File, Find };

void SetRawHandles(bool raw);
void BeginCall();                  // a new export call: labels made from now belong to it
// A handle the platform has just handed out: it gets a fresh label.
std::string NewLabel(LabelKind kind, std::uint32_t value);
// The handle an export returned: the label the trace gave it during this
// call, or a fresh one.
std::string ResultLabel(LabelKind kind, std::uint32_t value);
// The trace saw the handle closed.
void MarkClosed(std::uint32_t value);
// Handles the trace saw handed out during this call and never closed, other
// than the one the export returned to its caller.
std::vector<std::string> LeftOpen(std::uint32_t returned);
// An existing handle: its label, or its value when qcall never saw it handed out.
std::string HandleText(std::uint32_t value);
std::string KeyText(HKEY key);     // HKLM, HKCU, HKCR, HKU or the label

std::string StatusText(LONG status);       // 0, or 2 ERROR_FILE_NOT_FOUND
std::string ErrorName(DWORD error);        // ERROR_FILE_NOT_FOUND, or empty
std::string BoxStyleText(UINT style);      // 0x30 MB_OK|MB_ICONEXCLAMATION

} // namespace qcall
