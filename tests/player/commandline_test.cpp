#include "startup/commandline.h"

#include <gtest/gtest.h>

// The station of "/hallgat N" or "-hallgat N" (any case, a blank or a colon before N); 0 for
// none. A later switch wins; a switch without a number leaves the earlier one; N outside 1..13
// or not a number gives none.
TEST(CommandLine, StartStationComesFromTheLastSwitchWithANumber) {
    const std::pair<const char*, int> rows[] = {
        {"/hallgat 3", 3},
        {"/HALLGAT:3", 3},
        {"-HALLGAT 5", 5},
        {"/hallgat:13", 13},
        {"valami /hallgat 1 más", 1},
        {"-hallgat 14", 0},
        {"-hallgat 0", 0},
        {"/hallgat öt", 0},
        {"/hallgat 3x", 0},
        {"/hallgat  3", 0},  // two blanks: the word after the switch is empty
        {"", 0},
        {"/hallgat", 0},
        {"/hallgat -3", 0},
        {"/hallgat 4 /hallgat", 4},
        {"/hallgat 4 /hallgat /x", 4},
        {"/hallgat 2 /hallgat 7", 7},
        {"/hallgat 2 -hallgat 99", 0},
    };
    for (const auto& [line, station] : rows) {
        EXPECT_EQ(zvstartup::startStationFrom(QString::fromUtf8(line)), station) << line;
    }
}
