#pragma once

#include <cstddef>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// Collects what is written and remembers each place where a flush reached it
// with something new to deliver.
class FlushRecordingBuffer : public std::stringbuf {
public:
    std::vector<std::size_t> flushPoints;

protected:
    int sync() override {
        const std::size_t written = str().size();
        if (flushPoints.empty() ? written > 0 : flushPoints.back() != written) {
            flushPoints.push_back(written);
        }
        return 0;
    }
};

// Points std::cin and std::cout at the given buffers while it lives.
class RedirectConsole {
public:
    RedirectConsole(std::streambuf* input, std::streambuf* output)
        : oldIn(std::cin.rdbuf(input)), oldOut(std::cout.rdbuf(output)) {}
    ~RedirectConsole() {
        std::cin.rdbuf(oldIn);
        std::cout.rdbuf(oldOut);
    }
    RedirectConsole(const RedirectConsole&) = delete;
    RedirectConsole& operator=(const RedirectConsole&) = delete;
    RedirectConsole(RedirectConsole&&) = delete;
    RedirectConsole& operator=(RedirectConsole&&) = delete;

private:
    std::streambuf* oldIn;
    std::streambuf* oldOut;
};

// Feeds std::cin the given input and collects what std::cout gets.
class ConsoleCapture {
public:
    explicit ConsoleCapture(std::string input = {})
        : in(std::move(input)), redirect(in.rdbuf(), &out) {}

    std::string output() const { return out.str(); }
    std::vector<std::size_t> flushPoints() const { return out.flushPoints; }

private:
    FlushRecordingBuffer out;
    std::istringstream in;
    RedirectConsole redirect;
};
