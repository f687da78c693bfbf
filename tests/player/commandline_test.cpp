#include "startup/commandline.h"

#include <gtest/gtest.h>

using zvstartup::startStationFrom;

TEST(CommandLine, SwitchFormsAndNumbers) {
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat 3")), 3);
    EXPECT_EQ(startStationFrom(QStringLiteral("/HALLGAT:3")), 3);
    EXPECT_EQ(startStationFrom(QStringLiteral("-HALLGAT 5")), 5);
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat:13")), 13);
    EXPECT_EQ(startStationFrom(QStringLiteral("valami /hallgat 1 más")), 1);
}

TEST(CommandLine, OutOfRangeAndNonNumbersGiveNone) {
    EXPECT_EQ(startStationFrom(QStringLiteral("-hallgat 14")), 0);
    EXPECT_EQ(startStationFrom(QStringLiteral("-hallgat 0")), 0);
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat öt")), 0);
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat 3x")), 0);
    // Two blanks give an empty word after the switch: not a number.
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat  3")), 0);
    EXPECT_EQ(startStationFrom(QString()), 0);
}

TEST(CommandLine, SwitchWithoutNumberLeavesTheEarlierOne) {
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat")), 0);
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat -3")), 0);
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat 4 /hallgat")), 4);
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat 4 /hallgat /x")), 4);
}

TEST(CommandLine, LaterSwitchWins) {
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat 2 /hallgat 7")), 7);
    EXPECT_EQ(startStationFrom(QStringLiteral("/hallgat 2 -hallgat 99")), 0);
}
