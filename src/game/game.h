#pragma once

#include <string>

#include "characters/player.h"

// One game around its single player: opening texts, menu and turn loop.
class Game {
public:
    explicit Game(std::string playerName);

    void print_main_menu();
    void start_game();

private:
    // Tests reach the player through this to drive the win and loss paths,
    // which no sequence of menu choices can reach.
    friend class GameProbe;

    Player player;
};
