// Windows only. Text for a console goes out as UTF-16 through WriteConsoleW:
// the C runtime would otherwise pass the game's UTF-8 through the ANSI code
// page and garble "ś", whatever the console's own code page. Redirected
// output is left exactly as the game writes it. Installed for the whole run
// by a static object, so the game's own code is the same on every system.
#include <windows.h>

#include <cerrno>
#include <cstddef>
#include <iostream>
#include <optional>
#include <streambuf>
#include <string>

namespace {

// How many bytes at the end of `text` start a UTF-8 sequence still missing
// its last bytes; those wait for the next write.
std::size_t incomplete_tail(const std::string& text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0U) != 0x80U) {
            const std::size_t length = byte >= 0xF0U   ? 4
                                       : byte >= 0xE0U ? 3
                                       : byte >= 0xC0U ? 2
                                                       : 1;
            return length > back ? back : 0;
        }
    }
    return 0;
}

class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE consoleHandle) : console(consoleHandle) {}
    ~ConsoleBuffer() override { write_out(pending.size()); }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;
    ConsoleBuffer(ConsoleBuffer&&) = delete;
    ConsoleBuffer& operator=(ConsoleBuffer&&) = delete;

protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) {
            return traits_type::not_eof(ch);
        }
        pending.push_back(traits_type::to_char_type(ch));
        return within_limit() ? ch : traits_type::eof();
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending.append(text, static_cast<std::size_t>(count));
        return within_limit() ? count : 0;
    }

    // A failed write makes the flush fail, so std::cout goes bad and the game
    // stops as it does for any other output it cannot write.
    int sync() override { return write_complete() ? 0 : -1; }

private:
    static constexpr std::size_t limit = 4096;

    // Text is written at each flush; only a game that never flushed would
    // collect this much.
    bool within_limit() { return pending.size() < limit || write_complete(); }

    bool write_complete() { return write_out(pending.size() - incomplete_tail(pending)); }

    bool write_out(std::size_t bytes) {
        if (bytes == 0) {
            return true;
        }
        const int byteCount = static_cast<int>(bytes);
        const int wideCount =
            MultiByteToWideChar(CP_UTF8, 0, pending.data(), byteCount, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(wideCount), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, pending.data(), byteCount, wide.data(), wideCount);
        pending.erase(0, bytes);

        const wchar_t* next = wide.data();
        auto left = static_cast<DWORD>(wide.size());
        while (left > 0) {
            DWORD written = 0;
            if (WriteConsoleW(console, next, left, &written, nullptr) == FALSE || written == 0) {
                errno = EIO;
                return false;
            }
            next += written;
            left -= written;
        }
        return true;
    }

    HANDLE console;
    std::string pending;
};

class ConsoleOutput {
public:
    ConsoleOutput() {
        const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        if (handle != INVALID_HANDLE_VALUE && handle != nullptr &&
            GetConsoleMode(handle, &mode) != FALSE) {
            buffer.emplace(handle);
            previous = std::cout.rdbuf(&*buffer);
        }
    }
    // The buffer, destroyed after this, writes out whatever is left.
    ~ConsoleOutput() {
        if (buffer) {
            std::cout.rdbuf(previous);
        }
    }
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;
    ConsoleOutput(ConsoleOutput&&) = delete;
    ConsoleOutput& operator=(ConsoleOutput&&) = delete;

private:
    std::optional<ConsoleBuffer> buffer;
    std::streambuf* previous = nullptr;
};

// Constructed after std::cout (this file includes <iostream>), destroyed before.
const ConsoleOutput consoleOutput;

}  // namespace
