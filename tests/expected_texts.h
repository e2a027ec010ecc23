#pragma once

#include <string>

// The game's texts as its rules state them, written out independently of the
// game's own code so that tests compare against them.
namespace expected {

inline const std::string separator =
    "- - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - -";
// What start_game writes first; the run as a whole begins with the name line.
inline const std::string opening = separator +
                                   "\nJeste\xc5\x9b na ksiezycu, przetrwaj i zdobadz surowce na "
                                   "statek do domu\nPowodzenia Torvelinka!\n";
inline const std::string menuHead = "Co chcesz zrobic?\n" + separator +
                                    "\n[1] - Sprawdz swoj stan\n[2] - Odpocznij\n"
                                    "[3] - Szukaj zasobow\n";
inline const std::string menu = menuHead + "[0] - Wyjdz z gry\n";
inline const std::string menuWithShip = menuHead + "[4] - Zbuduj statek\n[0] - Wyjdz z gry\n";
inline const std::string prompt = "Wpisz numer: ";

inline std::string status_screen(long long health, long long oxygen, long long metal) {
    return "\nStan Gracza\n" + separator + "\nZycie: " + std::to_string(health) +
           "/21\nAtak: 4\nTlen: " + std::to_string(oxygen) + "%\nMetal: " + std::to_string(metal) +
           "/50\n";
}

}  // namespace expected
