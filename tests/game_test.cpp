#include "game/game.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "console_capture.h"
#include "expected_texts.h"

class GameProbe {
public:
    static Player& player(Game& game) { return game.player; }
};

namespace {

using expected::menu;
using expected::menuWithShip;
using expected::opening;
using expected::prompt;

// Plays a game for Torvelinka whose player was first given these changes.
void play_game(std::int32_t metal, std::int32_t healthChange) {
    Game game("Torvelinka");
    GameProbe::player(game).add_metal(metal);
    GameProbe::player(game).add_health(healthChange);
    game.start_game();
}

// The same on the given input, returning what start_game wrote.
std::string play(const std::string& input, std::int32_t metal, std::int32_t healthChange) {
    ConsoleCapture console(input);
    play_game(metal, healthChange);
    return console.output().substr(std::string("Torvelinka\n").size());
}

TEST(Game, ConstructionWritesOnlyTheName) {
    ConsoleCapture console;
    Game game("Torvelinka");
    EXPECT_EQ(console.output(), "Torvelinka\n");
    EXPECT_EQ(GameProbe::player(game).get_name(), "Torvelinka");
    EXPECT_EQ(GameProbe::player(game).get_oxygen(), 100);
    EXPECT_EQ(GameProbe::player(game).get_metal(), 0);
}

TEST(Game, BuildsTheShipOnceMetalReachesFifty) {
    EXPECT_EQ(play("4\n0\n", 50, 0), opening + menuWithShip + prompt +
                                         "Zbudowales statek i powrociles do domu\nGra wygrana\n");
}

TEST(Game, ShipIsNotOfferedBelowFifty) {
    EXPECT_EQ(play("4\n0\n", 49, 0), opening + menu + prompt + "Ta opcja nie jest dostepna :)\n" +
                                         menu + prompt + "Koniec gry\n");
}

TEST(Game, SearchingLosesOnlyWithoutHealth) {
    EXPECT_EQ(play("3\n1\n", 0, -21), opening + menu + prompt + "Gracz przegrywa!\n");
    EXPECT_EQ(play("3\n", 0, -20), opening + menu + prompt + menu + prompt + "Koniec gry\n");
    // Resting without health is still only a rest; the loss waits for a search.
    EXPECT_EQ(play("2\n3\n", 0, -40), opening + menu + prompt +
                                          "Torvelinka odpoczywa. Zuzycie 2% tlenu\n\n" + menu +
                                          prompt + "Gracz przegrywa!\n");
}

TEST(Game, FlushesAtEveryLineEndAndAfterEachPrompt) {
    struct Run {
        const char* input;
        std::int32_t metal;
        std::int32_t healthChange;
    };
    // Quitting, winning and losing each write lines of their own.
    for (const Run& run :
         {Run{"1\n2\n3\n4\n9\n0\n", 0, 0}, Run{"1\n2\n4\n", 50, 0}, Run{"1\n2\n3\n", 0, -40}}) {
        SCOPED_TRACE(run.input);
        ConsoleCapture console(run.input);
        play_game(run.metal, run.healthChange);
        const std::string text = console.output();
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                expected.push_back(i + 1);
            } else if (text.compare(i, prompt.size(), prompt) == 0) {
                expected.push_back(i + prompt.size());
            }
        }
        EXPECT_EQ(console.flushPoints(), expected);
    }
}

}  // namespace
