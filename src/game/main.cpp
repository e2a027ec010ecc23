#include <cerrno>
#include <cstring>
#include <iostream>

#include "game/game.h"

int main() {
    Game gra("Torvelinka");
    gra.start_game();
    if (std::cout.flush()) {
        return 0;
    }
    // Every outcome of the game is a success; lost output is not, and a
    // script reading the game's output has to be able to tell.
    const int reason = errno;
    std::cerr << "ksiezyc: write error";
    if (reason != 0) {
        std::cerr << ": " << std::strerror(reason);
    }
    std::cerr << std::endl;
    return 1;
}
