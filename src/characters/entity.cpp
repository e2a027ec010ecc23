#include "characters/entity.h"

#include <algorithm>
#include <utility>

#include "characters/saturating.h"

Entity::Entity(std::string entityName)
    : name(std::move(entityName)), maxHealth(21), health(maxHealth), damage(4) {}

std::string Entity::get_name() { return name; }

std::int32_t Entity::get_health() { return health; }

std::int32_t Entity::get_max_health() { return maxHealth; }

std::int32_t Entity::get_damage() { return damage; }

void Entity::add_health(std::int32_t value) {
    health = std::min(saturating::add(health, value), maxHealth);
}

void Entity::lower_health(std::int32_t value) {
    health = std::min(saturating::subtract(health, value), maxHealth);
}
