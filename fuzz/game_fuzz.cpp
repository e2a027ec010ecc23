// Feeds arbitrary bytes to a whole game as its standard input and checks what
// it printed: against a model of the rules that reads the input by hand (not
// through iostreams), and against properties every run must have.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <sstream>
#include <string>

#include "console_capture.h"
#include "expected_texts.h"
#include "game/game.h"

namespace {

using expected::menu;
using expected::prompt;
const std::string opening = "Torvelinka\n" + expected::opening;
const std::string endings[] = {"Koniec gry\n", "Gracz przegrywa!\n", "Gra wygrana\n"};

[[noreturn]] void fail(const char* what, const std::string& output) {
    std::fprintf(stderr, "check failed: %s\n--- output ---\n%s\n--- end ---\n", what,
                 output.c_str());
    std::abort();
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The next turn's number as a formatted read of a 32-bit signed decimal sees
// it, or nothing when the read can yield no number.
std::optional<std::int64_t> next_choice(const std::string& input, std::size_t& pos) {
    while (pos < input.size() && is_space(input[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < input.size() && (input[pos] == '+' || input[pos] == '-')) {
        negative = input[pos] == '-';
        ++pos;
    }
    constexpr std::int64_t beyondRange = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    bool anyDigit = false;
    for (; pos < input.size() && input[pos] >= '0' && input[pos] <= '9'; ++pos) {
        anyDigit = true;
        magnitude = std::min(beyondRange, magnitude * 10 + (input[pos] - '0'));
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (!anyDigit || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return value;
}

std::string expected_run(const std::string& input) {
    std::string out = opening;
    std::int64_t oxygen = 100;
    std::size_t pos = 0;
    for (;;) {
        out += menu + prompt;
        const std::optional<std::int64_t> choice = next_choice(input, pos);
        if (!choice || *choice == 0) {
            return out + "Koniec gry\n";
        }
        if (*choice == 1) {
            out += expected::status_screen(21, oxygen, 0);
        } else if (*choice == 2) {
            out += "Torvelinka odpoczywa. Zuzycie 2% tlenu\n\n";
            oxygen -= 2;
        } else if (*choice == 4) {
            out += "Ta opcja nie jest dostepna :)\n";
        }
    }
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void check_properties(const std::string& out) {
    if (out.compare(0, opening.size(), opening) != 0) {
        fail("output does not start with the name and opening lines", out);
    }
    int endingsSeen = 0;
    bool closedByEnding = false;
    for (const std::string& ending : endings) {
        for (std::size_t at = out.find(ending); at != std::string::npos;
             at = out.find(ending, at + 1)) {
            ++endingsSeen;
        }
        closedByEnding = closedByEnding || ends_with(out, prompt + ending);
    }
    if (endingsSeen != 1 || !closedByEnding) {
        fail("output does not end with exactly one ending, right after a prompt", out);
    }
    for (std::size_t at = out.find(prompt); at != std::string::npos;
         at = out.find(prompt, at + 1)) {
        if (at < menu.size() || out.compare(at - menu.size(), menu.size(), menu) != 0) {
            fail("a prompt does not follow a complete menu", out);
        }
    }
    long lastOxygen = 100;
    for (std::size_t at = out.find("\nTlen: "); at != std::string::npos;
         at = out.find("\nTlen: ", at + 1)) {
        const long oxygen = std::strtol(out.c_str() + at + 7, nullptr, 10);
        if (oxygen > lastOxygen) {
            fail("oxygen rose", out);
        }
        lastOxygen = oxygen;
    }
    for (std::size_t at = out.find("\nZycie: "); at != std::string::npos;
         at = out.find("\nZycie: ", at + 1)) {
        if (out.compare(at, 14, "\nZycie: 21/21\n") != 0) {
            fail("health left 21", out);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::istringstream in(input);
    std::ostringstream out;
    {
        const RedirectConsole console(in.rdbuf(), out.rdbuf());
        Game("Torvelinka").start_game();
    }

    const std::string output = out.str();
    check_properties(output);
    if (output != expected_run(input)) {
        fail("output differs from what the rules give for this input", output);
    }
    return 0;
}
