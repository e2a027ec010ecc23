#include "game/game.h"

int main() {
    Game gra("Torvelinka");
    gra.start_game();
    return 0;
}
