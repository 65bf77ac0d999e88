#include "driver/workfile.h"

#include "driver/fatal.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

[[noreturn]] void io_failure(const std::string& what, const std::string& path) {
    throw FatalStop(" " + what + " " + path, kExitRunTimeError);
}

std::uint32_t load_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void store_u32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace

void Record::check(std::size_t offset, std::size_t width) const {
    if (offset + width > bytes_.size())
        throw FatalStop(" Internal error: field outside a work-file record", kExitRunTimeError);
}

void Record::clear() { std::fill(bytes_.begin(), bytes_.end(), 0); }

std::int32_t Record::i32(std::size_t offset) const {
    check(offset, 4);
    return static_cast<std::int32_t>(load_u32(&bytes_[offset]));
}

float Record::f32(std::size_t offset) const {
    check(offset, 4);
    return std::bit_cast<float>(load_u32(&bytes_[offset]));
}

double Record::f64(std::size_t offset) const {
    check(offset, 8);
    std::uint64_t lo = load_u32(&bytes_[offset]);
    std::uint64_t hi = load_u32(&bytes_[offset + 4]);
    return std::bit_cast<double>(lo | (hi << 32));
}

char Record::ch(std::size_t offset) const {
    check(offset, 1);
    return static_cast<char>(bytes_[offset]);
}

std::string Record::text(std::size_t offset, std::size_t length) const {
    check(offset, length);
    return std::string(reinterpret_cast<const char*>(&bytes_[offset]), length);
}

void Record::set_i32(std::size_t offset, std::int32_t value) {
    check(offset, 4);
    store_u32(&bytes_[offset], static_cast<std::uint32_t>(value));
}

void Record::set_f32(std::size_t offset, float value) {
    check(offset, 4);
    store_u32(&bytes_[offset], std::bit_cast<std::uint32_t>(value));
}

void Record::set_f64(std::size_t offset, double value) {
    check(offset, 8);
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    store_u32(&bytes_[offset], static_cast<std::uint32_t>(bits));
    store_u32(&bytes_[offset + 4], static_cast<std::uint32_t>(bits >> 32));
}

void Record::set_ch(std::size_t offset, char value) {
    check(offset, 1);
    bytes_[offset] = static_cast<std::uint8_t>(value);
}

void Record::set_text(std::size_t offset, std::string_view text, std::size_t length) {
    check(offset, length);
    for (std::size_t i = 0; i < length; ++i)
        bytes_[offset + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

DirectFile::~DirectFile() { close(); }

bool DirectFile::open(const std::string& path, int record_length, int* error) {
    close();
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) f = std::fopen(path.c_str(), "w+b");
    if (!f) {
        if (error) *error = errno;
        return false;
    }
    file_ = f;
    path_ = path;
    record_length_ = record_length;
    return true;
}

void DirectFile::read(int rec, Record& record) {
    if (!file_) io_failure("Work file not open:", path_);
    if (rec < 1) io_failure("Invalid record number on work file", path_);
    record.clear();
    long offset = static_cast<long>(rec - 1) * record_length_;
    if (std::fseek(file_, offset, SEEK_SET) != 0) io_failure("Unable to read work file", path_);
    std::size_t want = std::min<std::size_t>(record.size(), static_cast<std::size_t>(record_length_));
    std::size_t got = std::fread(record.data(), 1, want, file_);
    if (got < want && std::ferror(file_)) io_failure("Unable to read work file", path_);
    std::clearerr(file_);
}

void DirectFile::write(int rec, const Record& record, int nbytes) {
    if (!file_) io_failure("Work file not open:", path_);
    if (rec < 1) io_failure("Invalid record number on work file", path_);
    std::size_t n = nbytes < 0 ? record.size() : static_cast<std::size_t>(nbytes);
    n = std::min<std::size_t>({n, record.size(), static_cast<std::size_t>(record_length_)});
    long offset = static_cast<long>(rec - 1) * record_length_;
    if (std::fseek(file_, offset, SEEK_SET) != 0 || std::fwrite(record.data(), 1, n, file_) != n)
        io_failure("Unable to write work file", path_);
}

int DirectFile::records_on_file() {
    if (!file_ || record_length_ <= 0) return 0;
    std::fflush(file_);
    struct stat st {};
    if (fstat(fileno(file_), &st) != 0) return 0;
    return static_cast<int>((st.st_size + record_length_ - 1) / record_length_);
}

bool DirectFile::read_records(int rec, int count, void* data) {
    if (!file_ || rec < 1 || count < 1 || record_length_ <= 0) return false;
    // Buffered output goes to the file first; buffered input is dropped.
    if (std::fflush(file_) != 0) return false;
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t want = static_cast<std::size_t>(count) * static_cast<std::size_t>(record_length_);
    off_t offset = static_cast<off_t>(rec - 1) * record_length_;
    std::size_t got = 0;
    while (got < want) {
        ssize_t n = ::pread(fileno(file_), bytes + got, want - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break; // end of file
        got += static_cast<std::size_t>(n);
    }
    std::memset(bytes + got, 0, want - got);
    return true;
}

bool DirectFile::write_records(int rec, int count, const void* data) {
    if (!file_ || rec < 1 || count < 1 || record_length_ <= 0) return false;
    if (std::fflush(file_) != 0) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t want = static_cast<std::size_t>(count) * static_cast<std::size_t>(record_length_);
    off_t offset = static_cast<off_t>(rec - 1) * record_length_;
    std::size_t put = 0;
    while (put < want) {
        ssize_t n = ::pwrite(fileno(file_), bytes + put, want - put, offset + static_cast<off_t>(put));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        put += static_cast<std::size_t>(n);
    }
    return true;
}

void DirectFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void DirectFile::close_delete() {
    bool was_open = file_ != nullptr;
    close();
    if (was_open && !path_.empty()) std::remove(path_.c_str());
}

SeqFile::~SeqFile() { close(); }

bool SeqFile::open(const std::string& path, Mode mode, int* error) {
    close();
    struct stat st {};
    std::string target = path;
    if (mode == Mode::Staged) {
        // The named file must be one that a file can be renamed over.
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            if (error) *error = EISDIR;
            return false;
        }
        target = staged_name(path);
    }
    const char* how = mode == Mode::Old ? "rb" : mode == Mode::Scratch ? "w+b" : "wb";
    std::FILE* f = std::fopen(target.c_str(), how);
    if (!f) {
        if (error) *error = errno;
        return false;
    }
    // A directory opens for reading on some systems; it is not a text file.
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        if (error) *error = EISDIR;
        return false;
    }
    file_ = f;
    path_ = path;
    if (mode == Mode::Staged) staged_ = target;
    last_line_start_ = -1;
    return true;
}

bool SeqFile::read_line(std::string& line) {
    line.clear();
    if (!file_) return false;
    long start = std::ftell(file_);
    int c = std::getc(file_);
    if (c == EOF) {
        std::clearerr(file_);
        return false;
    }
    while (c != EOF && c != '\n') {
        if (line.size() < kMaxLine) line.push_back(static_cast<char>(c));
        c = std::getc(file_);
    }
    if (c == EOF && std::ferror(file_)) {
        std::clearerr(file_);
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    last_line_start_ = start;
    return true;
}

void SeqFile::write_line(std::string_view line) {
    if (!file_) return;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fputc('\n', file_) == EOF)
        io_failure("Unable to write file", path_);
}

void SeqFile::rewind() {
    if (!file_) return;
    std::fflush(file_);
    std::fseek(file_, 0, SEEK_SET);
    last_line_start_ = -1;
}

void SeqFile::backspace() {
    if (!file_ || last_line_start_ < 0) return;
    std::fseek(file_, last_line_start_, SEEK_SET);
    last_line_start_ = -1;
}

long SeqFile::tell() { return file_ ? std::ftell(file_) : 0; }

void SeqFile::seek(long position) {
    if (!file_) return;
    std::fseek(file_, position, SEEK_SET);
    last_line_start_ = -1;
}

void SeqFile::flush() {
    if (file_) std::fflush(file_);
}

void SeqFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!staged_.empty()) {
        std::remove(staged_.c_str());
        staged_.clear();
    }
}

void SeqFile::close_delete() {
    bool was_open = file_ != nullptr;
    bool staged = !staged_.empty();
    close();
    if (was_open && !staged && !path_.empty()) std::remove(path_.c_str());
}

void SeqFile::commit() {
    if (!file_ || staged_.empty()) return;
    bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    written = std::fclose(file_) == 0 && written;
    file_ = nullptr;
    std::error_code ec;
    if (written) std::filesystem::rename(staged_, path_, ec);
    if (!written || ec) {
        close();
        io_failure("Unable to write file", path_);
    }
    staged_.clear();
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace quarlo
