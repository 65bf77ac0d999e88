#include "export/text_output.h"

namespace quarlo {

TextOutput::TextOutput(TextSink& sink) : sink_(sink), buffer_(std::make_unique_for_overwrite<char[]>(kChunk)) {}

void TextOutput::make_room(std::size_t count) {
    finish();
    if (count > capacity_) {
        capacity_ = count;
        buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
    }
}

void TextOutput::finish() {
    if (used_ != 0) sink_.write({buffer_.get(), used_});
    used_ = 0;
}

} // namespace quarlo
