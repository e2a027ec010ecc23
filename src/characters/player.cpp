#include "characters/player.h"

#include <iostream>
#include <utility>

#include "characters/saturating.h"
#include "characters/texts.h"

Player::Player() : Entity("Pelvaron") {}

Player::Player(std::string playerName) : Entity(std::move(playerName)) {}

std::int32_t Player::get_metal() { return metal; }

std::int32_t Player::get_oxygen() { return oxygen; }

void Player::add_metal(std::int32_t value) { metal = saturating::add(metal, value); }

void Player::add_oxygen(std::int32_t value) { oxygen = saturating::add(oxygen, value); }

void Player::lower_oxygen(std::int32_t value) { oxygen = saturating::subtract(oxygen, value); }

void Player::rest() {
    // The message states the fixed cost; it is not derived from the amount lowered.
    std::cout << get_name() << " odpoczywa. Zuzycie 2% tlenu" << std::endl << std::endl;
    lower_oxygen(2);
    add_health(5);
}

void Player::display_player_info() {
    std::cout << std::endl
              << "Stan Gracza" << std::endl
              << texts::separatorLine << std::endl
              << "Zycie: " << get_health() << "/" << get_max_health() << std::endl
              << "Atak: " << get_damage() << std::endl
              << "Tlen: " << oxygen << "%" << std::endl
              << "Metal: " << metal << "/50" << std::endl;
}
