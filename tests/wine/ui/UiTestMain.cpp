// The dialog tests' entry point: the application module is initialised as the
// program does it, before any window exists.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/AppModule.h"

int main(int argc, char** argv) {
    g_Module.Init(::GetModuleHandleW(nullptr));
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    g_Module.Term();
    return result;
}
