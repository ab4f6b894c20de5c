// A qcall run: the steps of a script (or the one call of a command line),
// checked as a whole before the first of them runs.
#pragma once

#include <windows.h>

#include "text.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qcall {

// Exit statuses. Every fault found before the first call has its own.
enum Status {
    kSuccess = 0,
    kWarning = 1,        // the run finished, but a call broke its call form, or a stage step failed
    kUsage = 2,          // options, script syntax, arguments that do not fit the call form
    kNotLoadable = 3,    // a DLL that cannot be loaded
    kNoExport = 4,       // an export that the DLL does not have
    kCrashed = 5,        // an export raised an exception
};

enum class Form { Setup, Text, OpenFile, Close, Read, Write, Seek, Hook };

struct Step {
    std::string file;    // empty for the command line
    int line = 0;
    bool directive = false;
    // A call: [assign =] dll symbol arguments...
    std::string assign;
    std::string dll;
    std::string symbol;
    // A stage step: @name arguments... (@echo keeps the rest of its line in text)
    std::string name;
    std::string text;
    std::vector<Word> arguments;

    // Filled in by Prepare.
    HMODULE module = nullptr;
    const void* address = nullptr;
    Form form = Form::Setup;
    std::vector<std::uint32_t> numbers;   // the 32-bit arguments that are not texts or handle names
    std::string handleName;               // a handle given by name
    bool textNull = false, integerNull = false;
    std::string bytes;                    // the text, name or data argument
};

struct Fault {
    Status status;
    std::string message;
};

struct Options {
    bool trace = false;
    bool answerOk = false;
};

// Reads a script: one call or stage step a line, # comments, blank lines.
bool ParseScript(const std::string& path, std::vector<Step>& steps, Fault& fault);
// The call given on the command line: DLL EXPORT ARGUMENT...
bool ParseCommandLine(const std::vector<std::string>& words, std::vector<Step>& steps, Fault& fault);

// Loads the DLLs, finds the exports and checks every argument; makes no call.
bool Prepare(std::vector<Step>& steps, Fault& fault);

// Runs the steps in order; returns the exit status.
int Run(std::vector<Step>& steps, const Options& options);

std::string Where(const Step& step);   // "file:line: " or empty
const char* UsageOf(Form form);
std::string KnownExports();

// Stage steps (stage.cpp).
bool CheckStageStep(const Step& step, std::string& error);
bool RunStageStep(const Step& step, std::string& error);

} // namespace qcall
