// Entry of every suite: GoogleTest's, with the program's module set for string lookups.
#include <gtest/gtest.h>

#include "core/string_table.h"

int main(int argc, char** argv)
{
#ifdef _WIN32
    appInstance = GetModuleHandleA(nullptr);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
