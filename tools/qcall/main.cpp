// qcall: loads a DLL and calls one export by its exported name, the way the
// Quillet setup and removal engines do, and prints what the call did.
#include "program.h"
#include "report.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "usage: qcall [--trace] [--ok] [--raw-handles] DLL EXPORT [ARGUMENT...]\n"
    "       qcall [--trace] [--ok] [--raw-handles] --script FILE\n"
    "       qcall --help | --version\n"
    "\n"
    "Loads DLL with LoadLibraryA, finds EXPORT with GetProcAddress and calls it as\n"
    "stdcall with the arguments of its call form; prints the call, the message\n"
    "boxes it showed, its result and what it left in the buffers it was given.\n"
    "\n"
    "  --trace        print every registry, profile and file call the export makes\n"
    "  --ok           answer every message box with OK (always under Wine's null driver)\n"
    "  --raw-handles  print handle values instead of the labels file#1, key#1\n"
    "  --script FILE  run FILE: one call a line (DLL EXPORT ARGUMENT...), where\n"
    "                 NAME = DLL OpenFile32 ... names the handle for later lines;\n"
    "                 # comments, blank lines and @ stage steps (@echo, @mkdir,\n"
    "                 @write, @delete, @show, @setkey, @delkey, @showkey)\n"
    "\n"
    "Arguments: a number is decimal or 0x hexadecimal; null is a null pointer\n"
    "(\"null\" in quotes is the text); a \"quoted\" text takes \\\\ \\\" \\t \\n \\r \\xNN;\n"
    "a MODE may be OF_ names joined by |, an ORIGIN FILE_BEGIN/FILE_CURRENT/FILE_END.\n"
    "\n"
    "Exit status: 0 done; 1 a call broke its call form (see its warning lines) or\n"
    "a stage step failed; 2 an option, script line or argument that does not fit,\n"
    "and no call made; 3 a DLL that cannot be loaded; 4 an export that is not\n"
    "there; 5 an export that raised an exception.\n"
    "\n"
    "Call forms:\n";

int Fail(const qcall::Fault& fault)
{
    std::fflush(stdout);
    std::fprintf(stderr, "qcall: %s\n", fault.message.c_str());
    return fault.status;
}

} // namespace

int main(int argc, char** argv)
{
    // LF line ends, so a transcript compares byte for byte on any system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    qcall::Options options;
    std::string script;
    bool rawHandles = false;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        const std::string option = argv[i];
        if (option == "--trace") {
            options.trace = true;
        } else if (option == "--ok") {
            options.answerOk = true;
        } else if (option == "--raw-handles") {
            rawHandles = true;
        } else if (option == "--script" && i + 1 < argc) {
            script = argv[++i];
        } else if (option == "--help") {
            std::printf("%s%s", kUsage, qcall::KnownExports().c_str());
            return qcall::kSuccess;
        } else if (option == "--version") {
            std::printf("qcall %s\n", QUILLET_VERSION);
            return qcall::kSuccess;
        } else {
            return Fail({qcall::kUsage, "unknown option " + option + " (qcall --help lists them)"});
        }
    }
    qcall::SetRawHandles(rawHandles);

    std::vector<qcall::Step> steps;
    qcall::Fault fault{qcall::kSuccess, {}};
    if (!script.empty()) {
        if (i != argc)
            return Fail({qcall::kUsage, "--script runs a file; it takes no DLL or EXPORT on the command line"});
        if (!qcall::ParseScript(script, steps, fault))
            return Fail(fault);
    } else {
        if (argc - i < 2)
            return Fail({qcall::kUsage, std::string("expected DLL EXPORT [ARGUMENT...] or --script FILE\n") + kUsage +
                                            qcall::KnownExports()});
        if (!qcall::ParseCommandLine(std::vector<std::string>(argv + i, argv + argc), steps, fault))
            return Fail(fault);
    }
    if (!qcall::Prepare(steps, fault))
        return Fail(fault);
    return qcall::Run(steps, options);
}
