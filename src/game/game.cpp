#include "game/game.h"

#include <cstdint>
#include <iostream>
#include <utility>

#include "characters/texts.h"

namespace {

constexpr std::int32_t metalToBuildShip = 50;
constexpr std::int32_t healthAtWhichPlayerLoses = 0;

// The menu line and choice 4 must agree, so both ask this one question.
bool can_build_ship(std::int32_t metal) { return metal >= metalToBuildShip; }

// A read that yields no number (text, a number out of range, end of input or
// a stream that failed earlier) counts as 0, so the game quits instead of
// printing the menu for ever.
std::int32_t read_choice() {
    std::int32_t playerChoice = 0;
    if (!(std::cin >> playerChoice)) {
        playerChoice = 0;
    }
    return playerChoice;
}

}  // namespace

Game::Game(std::string playerName) {
    player = Player(std::move(playerName));
    std::cout << player.get_name() << std::endl;
}

void Game::print_main_menu() {
    std::cout << "Co chcesz zrobic?" << std::endl
              << texts::separatorLine << std::endl
              << "[1] - Sprawdz swoj stan" << std::endl
              << "[2] - Odpocznij" << std::endl
              << "[3] - Szukaj zasobow" << std::endl;
    if (can_build_ship(player.get_metal())) {
        std::cout << "[4] - Zbuduj statek" << std::endl;
    }
    std::cout << "[0] - Wyjdz z gry" << std::endl;
}

void Game::start_game() {
    std::cout << texts::separatorLine << std::endl
              << "Jesteś na ksiezycu, przetrwaj i zdobadz surowce na statek do domu" << std::endl
              << "Powodzenia " << player.get_name() << "!" << std::endl;

    bool gameRunning = true;
    while (gameRunning) {
        print_main_menu();
        // Flushed explicitly so the prompt is on screen before the read blocks,
        // whether or not std::cin is tied to std::cout.
        std::cout << "Wpisz numer: " << std::flush;
        if (!std::cout) {
            // Output can no longer be written (full device, closed descriptor,
            // reader gone): playing on unseen would only spin. main reports it.
            return;
        }
        const std::int32_t playerChoice = read_choice();

        switch (playerChoice) {
            case 0:
                std::cout << "Koniec gry" << std::endl;
                gameRunning = false;
                break;
            case 1:
                player.display_player_info();
                break;
            case 2:
                player.rest();
                break;
            case 3:
                if (player.get_health() <= healthAtWhichPlayerLoses) {
                    std::cout << "Gracz przegrywa!" << std::endl;
                    gameRunning = false;
                }
                break;
            case 4:
                if (can_build_ship(player.get_metal())) {
                    std::cout << "Zbudowales statek i powrociles do domu" << std::endl
                              << "Gra wygrana" << std::endl;
                    gameRunning = false;
                } else {
                    std::cout << "Ta opcja nie jest dostepna :)" << std::endl;
                }
                break;
            default:
                break;
        }
    }
}
