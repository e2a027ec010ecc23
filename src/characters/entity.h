#pragma once

#include <cstdint>
#include <string>

// A being of the game: a name, health under a ceiling, and combat figures.
class Entity {
public:
    explicit Entity(std::string entityName);

    std::string get_name();
    std::int32_t get_health();
    std::int32_t get_max_health();
    std::int32_t get_damage();

    // Raises health by value (lowers it when negative); health never ends
    // above maxHealth and has no floor.
    void add_health(std::int32_t value);
    void lower_health(std::int32_t value);

private:
    std::string name;
    std::int32_t maxHealth;
    std::int32_t health;
    // Kept for combat to come: nothing reads it yet, but copies carry it.
    [[maybe_unused]] std::int32_t attack = 0;
    std::int32_t damage;
};
