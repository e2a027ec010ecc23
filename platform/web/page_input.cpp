// Web build only. In a page there is no standard input to block on: std::cin
// gets a stream buffer that awaits the next line the player types. The page
// provides Module.readInput; the wait suspends the game through Asyncify, so
// the game's own code is the same as on every other system. Without a page
// (the game run by node), std::cin reads standard input as usual.
#include <emscripten.h>

#include <array>
#include <iostream>
#include <streambuf>

namespace {

// The bodies are JavaScript, which clang-format would mangle.
// clang-format off

// Copies up to `capacity` bytes of what the player typed into `buffer` once
// there is some, and returns how many; 0 is the end of input.
EM_ASYNC_JS(int, read_typed_input, (char* buffer, int capacity), {
    return await Module.readInput(buffer, capacity);
})

// Whether a page is there to type into.
EM_JS(int, page_provides_input, (), {
    return typeof Module.readInput === 'function';
})

// clang-format on

class PageInput : public std::streambuf {
protected:
    int_type underflow() override {
        if (gptr() == egptr()) {
            const int got = read_typed_input(buffer.data(), static_cast<int>(buffer.size()));
            if (got <= 0) {
                return traits_type::eof();
            }
            setg(buffer.data(), buffer.data(), buffer.data() + got);
        }
        return traits_type::to_int_type(*gptr());
    }

private:
    std::array<char, 4096> buffer{};
};

class PageConsole {
public:
    PageConsole() {
        if (page_provides_input() != 0) {
            previous = std::cin.rdbuf(&input);
        }
    }
    ~PageConsole() {
        if (previous != nullptr) {
            std::cin.rdbuf(previous);
        }
    }
    PageConsole(const PageConsole&) = delete;
    PageConsole& operator=(const PageConsole&) = delete;
    PageConsole(PageConsole&&) = delete;
    PageConsole& operator=(PageConsole&&) = delete;

private:
    PageInput input;
    std::streambuf* previous = nullptr;
};

// Constructed after std::cin (this file includes <iostream>), destroyed before.
const PageConsole pageConsole;

}  // namespace
