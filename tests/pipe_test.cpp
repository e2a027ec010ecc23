// Plays the real binary over pipes the way a front end would: it writes a
// choice only after the prompt has arrived, so a prompt held back in a buffer
// makes the test fail (after a generous wait) instead of passing by luck.
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "game_command.h"

namespace {

constexpr int waitForOutputMs = 20000;

class Child {
public:
    Child() {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
            return;
        }
        // posix_spawn rather than fork and exec: the test also runs under
        // qemu-user, whose 32-bit ARM emulation crashes a forked child.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
            posix_spawn_file_actions_addclose(&actions, fd);
        }
        // The argv is not const for historical reasons; it is not written.
        if (posix_spawnp(&pid, gameCommand[0], &actions, nullptr,
                         const_cast<char* const*>(gameCommand), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        input = toChild[1];
        output = fromChild[0];
    }
    ~Child() {
        close_input();
        close_output();
        if (pid > 0) {
            waitpid(pid, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    Child(Child&&) = delete;
    Child& operator=(Child&&) = delete;

    bool started() const { return pid > 0; }

    // Reads until the output seen so far ends with `tail`, or the child
    // closes its output, or nothing arrives in time.
    bool read_until(const std::string& tail) {
        while (!(seen.size() >= tail.size() &&
                 seen.compare(seen.size() - tail.size(), tail.size(), tail) == 0)) {
            pollfd ready{output, POLLIN, 0};
            if (poll(&ready, 1, waitForOutputMs) != 1) {
                return false;
            }
            char chunk[4096];
            const ssize_t got = read(output, chunk, sizeof chunk);
            if (got <= 0) {
                return false;
            }
            seen.append(chunk, static_cast<std::size_t>(got));
        }
        return true;
    }

    bool write_line(const std::string& line) {
        const std::string text = line + "\n";
        return write(input, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    void close_input() {
        close(input);
        input = -1;
    }
    void close_output() {
        close(output);
        output = -1;
    }

    int exit_status() {
        int status = 0;
        const pid_t waited = waitpid(pid, &status, 0);
        pid = -1;
        return waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string seen;

private:
    pid_t pid = -1;
    int input = -1;
    int output = -1;
};

// SIGPIPE stays ignored across exec, so the game sees EPIPE as it does
// under shells and services that ignore the signal.
TEST(Pipes, PromptArrivesBeforeEachRead) {
    std::signal(SIGPIPE, SIG_IGN);
    Child game;
    ASSERT_TRUE(game.started());
    for (const char* choice : {"1", "2", "0"}) {
        ASSERT_TRUE(game.read_until("Wpisz numer: "))
            << "no prompt before choice " << choice << "; got:\n"
            << game.seen;
        ASSERT_TRUE(game.write_line(choice));
    }
    ASSERT_TRUE(game.read_until("Wpisz numer: Koniec gry\n")) << game.seen;
    EXPECT_NE(game.seen.find("Tlen: 100%\n"), std::string::npos);
    EXPECT_NE(game.seen.find("Torvelinka odpoczywa. Zuzycie 2% tlenu\n\n"), std::string::npos);
    EXPECT_EQ(game.exit_status(), 0);
}

TEST(Pipes, ReaderLeavingEndsTheGameWithStatusOne) {
    std::signal(SIGPIPE, SIG_IGN);
    Child game;
    ASSERT_TRUE(game.started());
    ASSERT_TRUE(game.read_until("Wpisz numer: ")) << game.seen;
    game.close_output();
    ASSERT_TRUE(game.write_line("2"));
    // Were the failure missed, end of input would end the game with status 0.
    game.close_input();
    EXPECT_EQ(game.exit_status(), 1);
}

}  // namespace
