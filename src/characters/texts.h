#pragma once

#include <string_view>

// Every line the game writes ends with std::endl: each line must reach the
// console the moment it is complete, before the game waits for input.
namespace texts {

// 37 hyphens joined by single spaces.
inline constexpr std::string_view separatorLine =
    "- - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - -";

}  // namespace texts
