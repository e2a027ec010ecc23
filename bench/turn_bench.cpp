// Cost of one turn of a whole scripted game, with standard input and output
// pointed at memory so that only the game's own work is measured.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "console_capture.h"
#include "game/game.h"

namespace {

// A script of `turns` choices taken in rotation from `choices`, then 0 to quit.
std::string script(const std::string& choices, std::int64_t turns) {
    std::string input;
    for (std::int64_t turn = 0; turn < turns; ++turn) {
        input += choices[static_cast<std::size_t>(turn) % choices.size()];
        input += '\n';
    }
    return input + "0\n";
}

void play_script(benchmark::State& state, const std::string& choices) {
    const std::int64_t turns = state.range(0);
    const std::string input = script(choices, turns);
    std::size_t written = 0;
    for (auto _ : state) {
        std::istringstream in(input);
        std::ostringstream out;
        const RedirectConsole console(in.rdbuf(), out.rdbuf());
        Game("Torvelinka").start_game();
        written = out.str().size();
        benchmark::DoNotOptimize(written);
    }
    // Every turn, the closing 0 included.
    state.SetItemsProcessed(state.iterations() * (turns + 1));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(written));
}

void status_screens(benchmark::State& state) { play_script(state, "1"); }
void rests(benchmark::State& state) { play_script(state, "2"); }
void ignored_numbers(benchmark::State& state) { play_script(state, "7"); }
void mixed(benchmark::State& state) { play_script(state, "1227"); }

}  // namespace

BENCHMARK(status_screens)->Arg(1000);
BENCHMARK(rests)->Arg(1000);
BENCHMARK(ignored_numbers)->Arg(1000);
BENCHMARK(mixed)->Arg(10)->Arg(1000)->Arg(100000);

BENCHMARK_MAIN();
