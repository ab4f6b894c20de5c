#include <gtest/gtest.h>

#include <windows.h>

int main(int argc, char** argv)
{
    // A crash in a DLL under test must end the test process, not wait for a
    // debugger dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
