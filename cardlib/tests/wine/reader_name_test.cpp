// The Windows reader-name rule: WinSCard appends " N", and the library cuts
// exactly two characters, keeping names too short to carry a suffix.
#include <gtest/gtest.h>

#include "platform.h"

TEST(WindowsReaderNames, CutsTheLastTwoCharacters) {
    EXPECT_EQ(nimbrel::BaseReaderName("Generic MultiCard reader 1.0 0"),
              "Generic MultiCard reader 1.0");
    EXPECT_EQ(nimbrel::BaseReaderName("Generic  Smart Card Reader Interface 1"),
              "Generic  Smart Card Reader Interface");
    // A pcsc-lite name is not a Windows name: what is left matches nothing known.
    EXPECT_EQ(nimbrel::BaseReaderName("Generic MultiCard reader 1.0 00 00"),
              "Generic MultiCard reader 1.0 00 ");
    EXPECT_EQ(nimbrel::BaseReaderName("ab"), "ab");
    EXPECT_EQ(nimbrel::BaseReaderName("a"), "a");
    EXPECT_EQ(nimbrel::BaseReaderName(""), "");
}
