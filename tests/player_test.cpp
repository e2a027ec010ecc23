#include "characters/player.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "console_capture.h"
#include "expected_texts.h"

namespace {

constexpr std::int32_t minInt = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t maxInt = std::numeric_limits<std::int32_t>::max();

TEST(Player, StartsWithFixedFigures) {
    Player named("Torvelinka");
    EXPECT_EQ(named.get_name(), "Torvelinka");
    EXPECT_EQ(named.get_health(), 21);
    EXPECT_EQ(named.get_metal(), 0);
    EXPECT_EQ(named.get_oxygen(), 100);

    Player unnamed;
    EXPECT_EQ(unnamed.get_name(), "Pelvaron");
    EXPECT_EQ(unnamed.get_health(), 21);
    EXPECT_EQ(unnamed.get_metal(), 0);
    EXPECT_EQ(unnamed.get_oxygen(), 100);
}

TEST(Player, ShowsStatusScreen) {
    ConsoleCapture console;
    Player player("Torvelinka");
    player.display_player_info();
    EXPECT_EQ(console.output(), expected::status_screen(21, 100, 0));
}

TEST(Player, RestWritesFixedMessageAndCostsOxygen) {
    ConsoleCapture console;
    Player player("Torvelinka");
    player.rest();
    EXPECT_EQ(console.output(), "Torvelinka odpoczywa. Zuzycie 2% tlenu\n\n");
    EXPECT_EQ(player.get_oxygen(), 98);
    EXPECT_EQ(player.get_health(), 21);
    EXPECT_EQ(player.get_metal(), 0);
}

TEST(Player, RestHealsUpToTheCeiling) {
    ConsoleCapture console;
    Player hurtALittle("A");
    hurtALittle.add_health(-4);
    hurtALittle.rest();
    EXPECT_EQ(hurtALittle.get_health(), 21);

    Player hurtBadly("B");
    hurtBadly.add_health(-11);
    hurtBadly.rest();
    EXPECT_EQ(hurtBadly.get_health(), 15);
}

TEST(Player, ResourceChangesSaturate) {
    Player player("P");
    player.add_oxygen(5);
    EXPECT_EQ(player.get_oxygen(), 105);
    player.lower_oxygen(-5);
    EXPECT_EQ(player.get_oxygen(), 110);
    player.lower_oxygen(minInt);
    EXPECT_EQ(player.get_oxygen(), maxInt);
    player.add_oxygen(1);
    EXPECT_EQ(player.get_oxygen(), maxInt);
    player.lower_oxygen(maxInt);
    player.lower_oxygen(maxInt);
    player.lower_oxygen(maxInt);
    EXPECT_EQ(player.get_oxygen(), minInt);
    player.add_oxygen(minInt);
    EXPECT_EQ(player.get_oxygen(), minInt);

    player.add_metal(50);
    EXPECT_EQ(player.get_metal(), 50);
    player.add_metal(maxInt);
    EXPECT_EQ(player.get_metal(), maxInt);
    player.add_metal(minInt);
    player.add_metal(minInt);
    player.add_metal(minInt);
    EXPECT_EQ(player.get_metal(), minInt);
}

TEST(Player, AssignmentCarriesEveryFigure) {
    Player source("Torvelinka");
    source.add_metal(7);
    source.lower_oxygen(3);
    source.add_health(-2);

    Player copy;
    copy = source;
    Player moved;
    moved = std::move(source);
    for (Player* player : {&copy, &moved}) {
        EXPECT_EQ(player->get_name(), "Torvelinka");
        EXPECT_EQ(player->get_health(), 19);
        EXPECT_EQ(player->get_metal(), 7);
        EXPECT_EQ(player->get_oxygen(), 97);
    }
}

}  // namespace
