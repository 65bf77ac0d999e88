// Files of a run: fixed-length direct-access records (the .wrk work files)
// and sequential text files (input, report, station, height and scratch files).
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

class WriteBehind;

// One fixed-length unformatted record. Integers are 32-bit signed, reals
// 32- or 64-bit IEEE, all little-endian; characters are single bytes.
class Record {
public:
    // Records of the work files are a few dozen bytes and are read and
    // written by the hundred thousand: those up to kInline bytes are held in
    // the record itself, without a heap allocation.
    static constexpr std::size_t kInline = 128;
    explicit Record(std::size_t length) : size_(length) {
        if (length > kInline)
            large_.assign(length, 0);
        else
            std::memset(small_.data(), 0, length);
    }

    std::size_t size() const { return size_; }
    void clear();

    std::int32_t i32(std::size_t offset) const {
        check(offset, 4);
        return static_cast<std::int32_t>(load_u32(data() + offset));
    }
    float f32(std::size_t offset) const {
        check(offset, 4);
        return std::bit_cast<float>(load_u32(data() + offset));
    }
    double f64(std::size_t offset) const {
        check(offset, 8);
        std::uint64_t lo = load_u32(data() + offset);
        std::uint64_t hi = load_u32(data() + offset + 4);
        return std::bit_cast<double>(lo | (hi << 32));
    }
    char ch(std::size_t offset) const {
        check(offset, 1);
        return static_cast<char>(data()[offset]);
    }
    std::string text(std::size_t offset, std::size_t length) const { return std::string(text_view(offset, length)); }
    // The same characters without a copy; valid while the record lives.
    std::string_view text_view(std::size_t offset, std::size_t length) const {
        check(offset, length);
        return std::string_view(reinterpret_cast<const char*>(data() + offset), length);
    }

    void set_i32(std::size_t offset, std::int32_t value) {
        check(offset, 4);
        store_u32(data() + offset, static_cast<std::uint32_t>(value));
    }
    void set_f32(std::size_t offset, float value) {
        check(offset, 4);
        store_u32(data() + offset, std::bit_cast<std::uint32_t>(value));
    }
    void set_f64(std::size_t offset, double value) {
        check(offset, 8);
        std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
        store_u32(data() + offset, static_cast<std::uint32_t>(bits));
        store_u32(data() + offset + 4, static_cast<std::uint32_t>(bits >> 32));
    }
    void set_ch(std::size_t offset, char value) {
        check(offset, 1);
        data()[offset] = static_cast<std::uint8_t>(value);
    }
    // Writes exactly `length` characters: the text, blank-padded or cut.
    void set_text(std::size_t offset, std::string_view text, std::size_t length);

    const std::uint8_t* data() const { return size_ > kInline ? large_.data() : small_.data(); }
    std::uint8_t* data() { return size_ > kInline ? large_.data() : small_.data(); }

private:
    void check(std::size_t offset, std::size_t width) const {
        if (offset + width > size_) field_outside();
    }
    [[noreturn]] static void field_outside();
    // Little-endian 32-bit words.
    static std::uint32_t load_u32(const std::uint8_t* p) {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
    static void store_u32(std::uint8_t* p, std::uint32_t v) {
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        p[3] = static_cast<std::uint8_t>(v >> 24);
    }
    std::size_t size_;
    std::array<std::uint8_t, kInline> small_; // bytes from size_ on unused
    std::vector<std::uint8_t> large_; // records longer than kInline
};

// A direct-access file of fixed-length records numbered from 1. Opening
// creates a missing file and re-uses an existing one. Records written one
// at a time are held in memory (up to the first kImageBytes of the file)
// and reach the disk in large writes as they accumulate and on closing;
// records beyond that, and runs of records, go to the disk directly, so a
// large block file is not held twice.
class DirectFile {
public:
    DirectFile() = default;
    DirectFile(const DirectFile&) = delete;
    DirectFile& operator=(const DirectFile&) = delete;
    ~DirectFile();

    // Returns false (and leaves errno in *error) when the file cannot be opened.
    bool open(const std::string& path, int record_length, int* error = nullptr);
    bool is_open() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    int record_length() const { return record_length_; }

    // Reads record `rec`; bytes beyond the end of the file read as zero.
    void read(int rec, Record& record);
    // The first n bytes of record `rec` where they are held in memory (n
    // no more than the record length), without a copy; nullptr when they
    // are not all held, and read() is the way to them. Valid until the
    // file is next written or closed.
    const std::uint8_t* held(int rec, std::size_t n) const {
        if (fd_ < 0 || rec < 1 || n > static_cast<std::size_t>(record_length_)) return nullptr;
        const std::size_t offset = static_cast<std::size_t>(rec - 1) * static_cast<std::size_t>(record_length_);
        return offset + n <= image_.size() ? image_.data() + offset : nullptr;
    }
    // Writes the first `nbytes` bytes of the record (all when negative) at
    // record `rec`; the rest of the file record is left as it was.
    void write(int rec, const Record& record, int nbytes = -1);
    // Writes n bytes (no more than the record length) at record `rec`.
    void write(int rec, const std::uint8_t* bytes, std::size_t n);
    // Number of whole or partial records the file holds.
    int records_on_file();

    // Runs of `count` whole records moved straight between the file and
    // memory in one system call, for files whose records are moved very
    // often (the matrix block files). Records beyond the end of the file
    // read as zeros. False when the transfer fails or the file is not open.
    bool read_records(int rec, int count, void* data);
    bool write_records(int rec, int count, const void* data);

    // Writes the records not yet on disk, then closes.
    void close();
    // Closes (when open) and removes the file; records not yet on disk are
    // dropped.
    void close_delete();

    static constexpr std::size_t kImageBytes = std::size_t{4} << 20;
    // Changed bytes held before they are written out.
    static constexpr std::size_t kWriteBehindBytes = std::size_t{1} << 20;

private:
    // Bytes offset .. offset + n - 1 of the file from or into memory;
    // false when the disk refuses.
    bool get(std::size_t offset, std::uint8_t* data, std::size_t n);
    bool put(std::size_t offset, const std::uint8_t* data, std::size_t n);
    // Writes the changed part of the image; false on a failed write.
    bool write_out();
    // Byte offset of record `rec`, after checking the file and the number.
    std::size_t offset_of(int rec);

    int fd_ = -1;
    std::string path_;
    int record_length_ = 0;
    std::size_t image_limit_ = 0;     // whole records held in memory, in bytes
    std::vector<std::uint8_t> image_; // file bytes 0 .. image_.size() - 1
    std::size_t file_size_ = 0;       // bytes the file holds (in memory or on disk)
    std::size_t dirty_begin_ = 0;     // image bytes dirty_begin_ .. dirty_end_ - 1
    std::size_t dirty_end_ = 0;       // are not yet on disk
};

// A sequential text file of lines. Lines end with "\n" (a "\r" before it is
// dropped on reading); a last line without a line end still reads as a line.
//
// Writing is checked where failures surface: a write that the stream's
// buffer passes on, a flush (also before a rewind) and the closing by
// finish() or commit(). A failure gives the file up (a staged temporary is
// removed) and stops the run: " Unable to write <file>: <reason>".
class SeqFile {
public:
    enum class Mode {
        Old,     // existing file, read only
        Replace, // created or emptied, written (status unknown)
        Scratch, // created or emptied, written then read back
        Staged   // written to a temporary beside the named file, which
                 // replaces the named file only on commit(); closed without
                 // a commit, the temporary is removed and an existing file
                 // keeps its content
    };

    SeqFile() = default;
    SeqFile(const SeqFile&) = delete;
    SeqFile& operator=(const SeqFile&) = delete;
    ~SeqFile();

    bool open(const std::string& path, Mode mode, int* error = nullptr);
    bool is_open() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

    // Reads the next line; false at end of file or on a read error. Lines
    // longer than kMaxLine keep their first kMaxLine characters.
    bool read_line(std::string& line);
    void write_line(std::string_view line);
    void rewind();
    // Steps back over the line read last, so that it is read again.
    void backspace();
    void flush();
    // Position before the next line, and a return to such a position with
    // the number of the lines before it.
    long tell();
    void seek(long position, int line);
    // Number of the line read last (from 1, counted since the file was
    // opened or rewound), and the position at which it starts.
    int line_number() const { return line_; }
    long line_start() const { return line_start_; }
    // Closes without a check (a file given up); a staged temporary, even a
    // finished one, is removed.
    void close();
    void close_delete();
    // Closes a written file, checked. A staged file's temporary is then
    // complete and waits for commit().
    void finish();
    // Whether a staged file's complete temporary waits for commit().
    bool finished() const { return file_ == nullptr && !staged_.empty(); }
    // A staged file: finishes it if need be and renames the complete
    // temporary over the named file. A failure stops the run, the named
    // file left as it was.
    void commit();

    static constexpr std::size_t kMaxLine = 4096;

    // The temporary that a staged file of this name is written to.
    static std::string staged_name(const std::string& path) { return path + ".tmp"; }

private:
    // Gives the file up and stops the run.
    [[noreturn]] void write_failed(int error);
    // Removes the staged temporary.
    void remove_staged();

    std::FILE* file_ = nullptr;
    WriteBehind* behind_ = nullptr; // the writing thread of a file written only forwards
    std::string path_;
    std::string staged_; // the temporary of a staged file until committed
    bool writing_ = false;
    long last_line_start_ = -1;
    long line_start_ = -1;
    long next_line_start_ = -1; // where the next line starts, when known without asking the stream
    int line_ = 0;
    std::unique_ptr<char[]> buffer_; // the stream's buffer while the file is open
    static constexpr std::size_t kReadBuffer = std::size_t{64} << 10;
    static constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;
    // A file written only forwards passes its buffer to a second thread:
    // smaller pieces keep that thread busy while the run goes on.
    static constexpr std::size_t kWriteBehindBuffer = std::size_t{256} << 10;
};

bool file_exists(const std::string& path);

} // namespace quarlo
