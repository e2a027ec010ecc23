#pragma once

#include <cstdint>
#include <string>

#include "characters/entity.h"

// The character the user plays: an Entity carrying the game's two resources.
class Player : public Entity {
public:
    Player();
    explicit Player(std::string playerName);

    std::int32_t get_metal();
    std::int32_t get_oxygen();
    void add_metal(std::int32_t value);
    void add_oxygen(std::int32_t value);
    void lower_oxygen(std::int32_t value);

    void rest();
    void display_player_info();

private:
    std::int32_t metal = 0;
    std::int32_t oxygen = 100;
};
