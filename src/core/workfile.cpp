#include "core/workfile.h"

#include "core/fatal.h"
#include "core/interruption.h"
#include "core/write_behind.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

[[noreturn]] void io_failure(const std::string& what, const std::string& path) {
    throw FatalStop(" " + what + " " + path, kExitRunTimeError);
}

// " Unable to write <file>: <reason>", and the like for reading.
[[noreturn]] void transfer_failure(const char* what, const std::string& path, int error) {
    throw FatalStop(std::string(" Unable to ") + what + " " + path + ": " + std::strerror(error != 0 ? error : EIO),
                    kExitRunTimeError);
}

} // namespace

void Record::field_outside() {
    throw FatalStop(" Internal error: field outside a work-file record", kExitRunTimeError);
}

void Record::clear() { std::memset(data(), 0, size_); }

void Record::set_text(std::size_t offset, std::string_view text, std::size_t length) {
    check(offset, length);
    std::uint8_t* to = data() + offset;
    for (std::size_t i = 0; i < length; ++i) to[i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

DirectFile::~DirectFile() { close(); }

namespace {

// Reads up to n bytes at offset; returns the count read (short at the end of
// the file) or -1 on an error.
long long read_at(int fd, std::uint8_t* to, std::size_t n, std::size_t offset) {
    std::size_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(fd, to + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

bool write_at(int fd, const std::uint8_t* from, std::size_t n, std::size_t offset) {
    std::size_t done = 0;
    while (done < n) {
        ssize_t put = ::pwrite(fd, from + done, n - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace

bool DirectFile::open(const std::string& path, int record_length, int* error) {
    close();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (error) *error = errno;
        if (fd >= 0) ::close(fd);
        return false;
    }
    std::size_t length = record_length > 0 ? static_cast<std::size_t>(record_length) : 1;
    image_limit_ = std::max<std::size_t>(kImageBytes / length, 1) * length;
    file_size_ = static_cast<std::size_t>(st.st_size);
    // A file left by an earlier run keeps its records: the part the image
    // covers is read in at once.
    // Room for the whole image at once: it grows record by record without
    // being moved, and its pages are touched only as records reach them.
    image_.reserve(image_limit_);
    image_.assign(std::min(file_size_, image_limit_), 0);
    if (!image_.empty() && read_at(fd, image_.data(), image_.size(), 0) < 0) {
        if (error) *error = errno;
        ::close(fd);
        image_.clear();
        return false;
    }
    fd_ = fd;
    path_ = path;
    record_length_ = record_length;
    dirty_begin_ = dirty_end_ = 0;
    return true;
}

std::size_t DirectFile::offset_of(int rec) {
    if (fd_ < 0) io_failure("Work file not open:", path_);
    if (rec < 1) io_failure("Invalid record number on work file", path_);
    return static_cast<std::size_t>(rec - 1) * static_cast<std::size_t>(record_length_);
}

// The image holds bytes 0 .. image_.size() - 1 of the file; every other
// byte is on disk (or beyond its end, and reads as zero).
bool DirectFile::get(std::size_t offset, std::uint8_t* data, std::size_t n) {
    std::size_t held = offset < image_.size() ? std::min(n, image_.size() - offset) : 0;
    if (held > 0) std::memcpy(data, image_.data() + offset, held);
    if (n == held) return true;
    long long got = read_at(fd_, data + held, n - held, offset + held);
    if (got < 0) return false;
    std::memset(data + held + static_cast<std::size_t>(got), 0, n - held - static_cast<std::size_t>(got));
    return true;
}

bool DirectFile::put(std::size_t offset, const std::uint8_t* data, std::size_t n) {
    std::size_t in_image = offset < image_limit_ ? std::min(n, image_limit_ - offset) : 0;
    if (n > in_image) {
        if (!write_at(fd_, data + in_image, n - in_image, offset + in_image)) return false;
        file_size_ = std::max(file_size_, offset + n);
    }
    if (in_image == 0) return true;
    if (image_.size() < offset + in_image) {
        // The image grows over bytes that so far were only on disk.
        std::size_t old = image_.size();
        image_.resize(offset + in_image, 0);
        std::size_t on_disk = std::min(offset, file_size_);
        if (on_disk > old && read_at(fd_, image_.data() + old, on_disk - old, old) < 0) return false;
    }
    std::memcpy(image_.data() + offset, data, in_image);
    file_size_ = std::max(file_size_, offset + in_image);
    if (dirty_end_ == dirty_begin_) {
        dirty_begin_ = offset;
        dirty_end_ = offset + in_image;
    } else {
        dirty_begin_ = std::min(dirty_begin_, offset);
        dirty_end_ = std::max(dirty_end_, offset + in_image);
    }
    return dirty_end_ - dirty_begin_ < kWriteBehindBytes || write_out();
}

void DirectFile::read(int rec, Record& record) {
    std::size_t offset = offset_of(rec);
    std::size_t want = std::min<std::size_t>(record.size(), static_cast<std::size_t>(record_length_));
    // The bytes beyond the file's record are zero; get() fills the others.
    std::memset(record.data() + want, 0, record.size() - want);
    if (!get(offset, record.data(), want)) {
        record.clear();
        transfer_failure("read", path_, errno);
    }
}

void DirectFile::write(int rec, const Record& record, int nbytes) {
    std::size_t n = nbytes < 0 ? record.size() : static_cast<std::size_t>(nbytes);
    write(rec, record.data(), std::min(n, record.size()));
}

void DirectFile::write(int rec, const std::uint8_t* bytes, std::size_t n) {
    std::size_t offset = offset_of(rec);
    if (!put(offset, bytes, std::min(n, static_cast<std::size_t>(record_length_)))) transfer_failure("write", path_, errno);
}

// Runs of records go straight to the disk (a reservation of space must
// reach it); the image is kept equal to the disk where the two overlap.
bool DirectFile::read_records(int rec, int count, void* data) {
    if (fd_ < 0 || rec < 1 || count < 1 || record_length_ <= 0) return false;
    std::size_t offset = static_cast<std::size_t>(rec - 1) * static_cast<std::size_t>(record_length_);
    std::size_t n = static_cast<std::size_t>(count) * static_cast<std::size_t>(record_length_);
    if (dirty_end_ > dirty_begin_ && offset < dirty_end_ && dirty_begin_ < offset + n && !write_out()) return false;
    auto* bytes = static_cast<std::uint8_t*>(data);
    long long got = read_at(fd_, bytes, n, offset);
    if (got < 0) return false;
    std::memset(bytes + got, 0, n - static_cast<std::size_t>(got));
    return true;
}

bool DirectFile::write_records(int rec, int count, const void* data) {
    if (fd_ < 0 || rec < 1 || count < 1 || record_length_ <= 0) return false;
    std::size_t offset = static_cast<std::size_t>(rec - 1) * static_cast<std::size_t>(record_length_);
    std::size_t n = static_cast<std::size_t>(count) * static_cast<std::size_t>(record_length_);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (!write_at(fd_, bytes, n, offset)) return false;
    file_size_ = std::max(file_size_, offset + n);
    if (offset < image_.size())
        std::memcpy(image_.data() + offset, bytes, std::min(n, image_.size() - offset));
    return true;
}

bool DirectFile::write_out() {
    if (dirty_end_ == dirty_begin_) return true;
    bool ok = write_at(fd_, image_.data() + dirty_begin_, dirty_end_ - dirty_begin_, dirty_begin_);
    dirty_begin_ = dirty_end_ = 0;
    return ok;
}

int DirectFile::records_on_file() {
    if (fd_ < 0 || record_length_ <= 0) return 0;
    return static_cast<int>((file_size_ + static_cast<std::size_t>(record_length_) - 1) /
                            static_cast<std::size_t>(record_length_));
}

void DirectFile::close() {
    if (fd_ < 0) return;
    // A failed last write cannot be reported from here: every work file is
    // removed at the end of the run, and reads went to memory.
    write_out();
    ::close(fd_);
    fd_ = -1;
    image_.clear();
    image_.shrink_to_fit();
}

void DirectFile::close_delete() {
    bool was_open = fd_ >= 0;
    dirty_begin_ = dirty_end_ = 0;
    close();
    if (was_open && !path_.empty()) std::remove(path_.c_str());
}

SeqFile::~SeqFile() { close(); }

namespace {

// A file written only forwards, created or emptied: its bytes go to the
// system through a second thread, which also empties an old file, or
// straight from the stream when no thread can be had. Only a regular file
// is emptied (a device such as /dev/null is written as it is).
WriteBehindStream open_forwards(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return {};
    struct stat st {};
    WriteBehindStream s;
    if (::fstat(fd, &st) == 0) {
        const bool truncate = S_ISREG(st.st_mode) && st.st_size > 0;
        s = open_write_behind(fd, truncate);
        if (!s.file && (!truncate || ::ftruncate(fd, 0) == 0)) s.file = ::fdopen(fd, "wb");
    }
    if (!s.file) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return s;
}

} // namespace

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
    const bool forwards_only = mode == Mode::Replace || mode == Mode::Staged;
    WriteBehindStream s;
    {
        // A temporary is removed if the run is interrupted.
        auto held = interruption::hold();
        if (forwards_only)
            s = open_forwards(target);
        else
            s.file = std::fopen(target.c_str(), mode == Mode::Old ? "rb" : "w+b");
        if (s.file && mode == Mode::Staged) interruption::add_file(target);
    }
    std::FILE* f = s.file;
    if (!f) {
        if (error) *error = errno;
        return false;
    }
    file_ = f;
    behind_ = s.writer;
    path_ = path;
    if (mode == Mode::Staged) staged_ = target;
    // A directory opens for reading on some systems; it is not a text file.
    if (fileno(f) >= 0 && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        close();
        if (error) *error = EISDIR;
        return false;
    }
    // Reports run to megabytes: fewer, larger transfers. The buffer is the
    // file object's own (the C library would take only its default size).
    // Not cleared: its pages are only touched as far as the file is used.
    const std::size_t size = mode == Mode::Old ? kReadBuffer : forwards_only ? kWriteBehindBuffer : kWriteBuffer;
    buffer_.reset(new char[size]);
    std::setvbuf(f, buffer_.get(), _IOFBF, size);
    writing_ = mode != Mode::Old;
    last_line_start_ = -1;
    line_start_ = -1;
    next_line_start_ = -1;
    line_ = 0;
    return true;
}

bool SeqFile::read_line(std::string& line) {
    line.clear();
    if (!file_) return false;
    // Where the line read last ended, unless the file has been moved since.
    long start = next_line_start_ >= 0 ? next_line_start_ : std::ftell(file_);
    next_line_start_ = -1;
    // The file is this object's alone: its lock is not needed.
    int c = getc_unlocked(file_);
    if (c == EOF) {
        std::clearerr(file_);
        return false;
    }
    std::size_t n = 0; // characters seen, kept or not
    while (c != EOF && c != '\n') {
        if (n < kMaxLine) line.push_back(static_cast<char>(c));
        ++n;
#if defined(__GLIBC__)
        // The rest of the line as far as the stream's buffer holds it, found
        // with one scan instead of a call per character. These are the two
        // fields through which the C library's own getc_unlocked reads the
        // buffer; a line never costs more memory than the kept columns.
        const char* from = file_->_IO_read_ptr;
        const char* end = file_->_IO_read_end;
        if (from < end) {
            const void* nl = std::memchr(from, '\n', static_cast<std::size_t>(end - from));
            const char* stop = nl ? static_cast<const char*>(nl) : end;
            const std::size_t k = static_cast<std::size_t>(stop - from);
            if (n < kMaxLine) line.append(from, std::min(k, kMaxLine - n));
            n += k;
            file_->_IO_read_ptr = const_cast<char*>(stop);
        }
#endif
        c = getc_unlocked(file_);
    }
    if (c == EOF && std::ferror(file_)) {
        std::clearerr(file_);
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    last_line_start_ = start;
    line_start_ = start;
    if (start >= 0) next_line_start_ = start + static_cast<long>(n) + (c == '\n' ? 1 : 0);
    ++line_;
    return true;
}

void SeqFile::write_line(std::string_view line) {
    if (!file_) return;
    next_line_start_ = -1;
#if defined(__GLIBC__)
    // Straight into the stream's buffer while the line and its end fit:
    // the two fields through which the C library's own putc_unlocked
    // writes, which it leaves equal whenever the buffer cannot take
    // characters this way. Otherwise, and when the buffer is full, the
    // stream's own call below.
    if (file_->_IO_write_end - file_->_IO_write_ptr > static_cast<std::ptrdiff_t>(line.size())) {
        char* to = file_->_IO_write_ptr;
        std::memcpy(to, line.data(), line.size());
        to[line.size()] = '\n';
        file_->_IO_write_ptr = to + line.size() + 1;
        return;
    }
#endif
    // The stream passes its buffer on when it fills: a failure shows here.
    if (fwrite_unlocked(line.data(), 1, line.size(), file_) != line.size() || putc_unlocked('\n', file_) == EOF)
        write_failed(errno);
}

void SeqFile::write_failed(int error) {
    const std::string path = path_;
    close();
    transfer_failure("write", path, error);
}

void SeqFile::rewind() {
    if (!file_) return;
    if (std::fflush(file_) != 0 && writing_) write_failed(errno);
    std::fseek(file_, 0, SEEK_SET);
    last_line_start_ = -1;
    next_line_start_ = -1;
    line_ = 0;
}

void SeqFile::backspace() {
    if (!file_ || last_line_start_ < 0) return;
    std::fseek(file_, last_line_start_, SEEK_SET);
    last_line_start_ = -1;
    next_line_start_ = -1;
    --line_;
}

long SeqFile::tell() { return file_ ? std::ftell(file_) : 0; }

void SeqFile::seek(long position, int line) {
    if (!file_) return;
    std::fseek(file_, position, SEEK_SET);
    last_line_start_ = -1;
    next_line_start_ = -1;
    line_ = line;
}

void SeqFile::flush() {
    if (file_ && std::fflush(file_) != 0 && writing_) write_failed(errno);
    // What the stream passed on is in the file only once the writing
    // thread has written it.
    if (file_ && behind_)
        if (const int error = drain(*behind_); error != 0) write_failed(error);
}

void SeqFile::remove_staged() {
    if (staged_.empty()) return;
    auto held = interruption::hold();
    std::remove(staged_.c_str());
    interruption::remove_file(staged_);
    staged_.clear();
}

void SeqFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    behind_ = nullptr;
    writing_ = false;
    buffer_.reset();
    remove_staged();
}

void SeqFile::close_delete() {
    bool was_open = file_ != nullptr;
    bool staged = !staged_.empty();
    close();
    if (was_open && !staged && !path_.empty()) std::remove(path_.c_str());
}

void SeqFile::finish() {
    if (!file_) return;
    if (!writing_) {
        close();
        return;
    }
    errno = 0;
    int error = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) error = errno != 0 ? errno : EIO;
    errno = 0;
    if (std::fclose(file_) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    file_ = nullptr;
    behind_ = nullptr;
    writing_ = false;
    buffer_.reset();
    if (error != 0) {
        remove_staged();
        transfer_failure("write", path_, error);
    }
}

void SeqFile::commit() {
    finish();
    if (staged_.empty()) return;
    std::error_code ec;
    {
        auto held = interruption::hold();
        std::filesystem::rename(staged_, path_, ec);
        if (!ec) {
            interruption::remove_file(staged_);
            staged_.clear();
        }
    }
    if (ec) {
        remove_staged();
        transfer_failure("write", path_, ec.value());
    }
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace quarlo
