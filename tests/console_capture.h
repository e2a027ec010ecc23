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

// Points std::cout at memory and std::cin at the given input while it lives.
class ConsoleCapture {
public:
    explicit ConsoleCapture(std::string input = {})
        : in(std::move(input)), oldOut(std::cout.rdbuf(&out)), oldIn(std::cin.rdbuf(in.rdbuf())) {}
    ~ConsoleCapture() {
        std::cout.rdbuf(oldOut);
        std::cin.rdbuf(oldIn);
    }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    ConsoleCapture(ConsoleCapture&&) = delete;
    ConsoleCapture& operator=(ConsoleCapture&&) = delete;

    std::string output() const { return out.str(); }
    std::vector<std::size_t> flushPoints() const { return out.flushPoints; }

private:
    FlushRecordingBuffer out;
    std::istringstream in;
    std::streambuf* oldOut;
    std::streambuf* oldIn;
};
