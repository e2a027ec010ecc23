#include "characters/entity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::int32_t minInt = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t maxInt = std::numeric_limits<std::int32_t>::max();

TEST(Entity, StartsWithFixedFigures) {
    Entity entity("Xy");
    EXPECT_EQ(entity.get_name(), "Xy");
    EXPECT_EQ(entity.get_health(), 21);
    EXPECT_EQ(entity.get_max_health(), 21);
    EXPECT_EQ(entity.get_damage(), 4);
}

TEST(Entity, KeepsAnyNameBytesAndHandsOutCopies) {
    const std::string odd("\0\xff\n ś", 6);
    Entity entity(odd);
    std::string copy = entity.get_name();
    copy[0] = 'Z';
    EXPECT_EQ(entity.get_name(), odd);
}

// Each case starts from a fresh Entity (21 of 21) and applies the steps in
// order: '+' is add_health, '-' is lower_health.
struct HealthCase {
    const char* what;
    std::vector<std::pair<char, std::int32_t>> steps;
    std::int32_t expected;
};

const HealthCase healthCases[] = {
    {"gain at full health is capped", {{'+', 5}}, 21},
    {"gain from 18 stops at the ceiling", {{'+', -3}, {'+', 5}}, 21},
    {"gain below the ceiling is kept whole", {{'+', -11}, {'+', 3}}, 13},
    {"negative gain has no floor", {{'+', -30}}, -9},
    {"zero changes nothing", {{'+', -1}, {'+', 0}}, 20},
    {"huge gain is capped", {{'+', maxInt}}, 21},
    {"falls to the lowest figure, not past it", {{'+', minInt}, {'+', minInt}}, minInt},
    {"recovers from the lowest figure", {{'+', minInt}, {'+', minInt}, {'+', 5}}, minInt + 5},
    {"huge gain from the lowest figure", {{'+', minInt}, {'+', minInt}, {'+', maxInt}}, -1},
    {"loss has no floor", {{'-', 30}}, -9},
    {"negative loss is a gain under the ceiling", {{'-', 8}, {'-', -5}}, 18},
    {"negative loss is capped", {{'-', -100}}, 21},
    {"lowest loss saturates, then is capped", {{'-', minInt}}, 21},
    {"repeated huge loss saturates", {{'-', maxInt}, {'-', maxInt}}, minInt},
};

TEST(Entity, HealthChangesKeepTheCeilingAndSaturate) {
    for (const HealthCase& test : healthCases) {
        SCOPED_TRACE(test.what);
        Entity entity("E");
        for (const auto& [op, value] : test.steps) {
            if (op == '+') {
                entity.add_health(value);
            } else {
                entity.lower_health(value);
            }
        }
        EXPECT_EQ(entity.get_health(), test.expected);
        EXPECT_EQ(entity.get_max_health(), 21);
    }
}

}  // namespace
