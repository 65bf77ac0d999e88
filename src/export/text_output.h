// The text of an output as it is composed: gathered in a buffer of 64 KiB
// that is handed to its sink each time it fills and once at the end, so
// that a large output takes little memory and goes to its file as it is
// written.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace quarlo {

// Where the chunks go: a file, or in the tests a string.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void write(std::string_view chunk) = 0;
};

class TextOutput {
public:
    using Ch = char; // as a stream of RapidJSON's writer

    explicit TextOutput(TextSink& sink);
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;

    // Room for `count` more characters in one piece.
    void Reserve(std::size_t count) {
        if (used_ + count > capacity_) make_room(count);
    }
    // A character after Reserve.
    void PutUnsafe(char c) { buffer_[used_++] = c; }
    void Put(char c) {
        Reserve(1);
        PutUnsafe(c);
    }
    // The parts one after the other, with room made once.
    template <typename... Parts>
    void append(const Parts&... parts) {
        const std::string_view views[] = {std::string_view(parts)...};
        std::size_t total = 0;
        for (auto v : views) total += v.size();
        Reserve(total);
        for (auto v : views) {
            std::memcpy(buffer_.get() + used_, v.data(), v.size());
            used_ += v.size();
        }
    }
    void Flush() {}
    // Hands what is left to the sink: the text is complete.
    void finish();

private:
    void make_room(std::size_t count);

    static constexpr std::size_t kChunk = std::size_t{64} << 10;
    TextSink& sink_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = kChunk;
    std::size_t used_ = 0;
};

// RapidJSON's writer reserves room before each run of characters it puts.
inline void PutReserve(TextOutput& out, std::size_t count) { out.Reserve(count); }
inline void PutUnsafe(TextOutput& out, char c) { out.PutUnsafe(c); }

} // namespace quarlo
