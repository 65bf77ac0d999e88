#include "core/write_behind.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quarlo {

// The bytes the stream passes on, in order, queued for the thread that
// writes them. At most kPending buffers wait: a run that writes faster than
// the system takes its bytes waits for the thread instead of holding the
// whole file in memory.
class WriteBehind {
public:
    WriteBehind(int fd, bool truncate) : fd_(fd), truncate_(truncate) {}

    void start() { thread_ = std::thread([this] { write_queued(); }); }

    // Queues a copy of the bytes; false (errno set) once a write has failed
    // or when there is no memory for the copy.
    bool put(const char* data, std::size_t n) {
        std::vector<char> chunk;
        {
            std::unique_lock lock(mutex_);
            room_.wait(lock, [this] { return queue_.size() < kPending || error_ != 0; });
            if (error_ != 0) {
                errno = error_;
                return false;
            }
            if (!spare_.empty()) {
                chunk = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        try {
            chunk.assign(data, data + n);
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(chunk));
            ++unwritten_;
        } catch (const std::bad_alloc&) {
            errno = ENOMEM;
            return false;
        }
        queued_.notify_one();
        return true;
    }

    int drain() {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return unwritten_ == 0; });
        return error_;
    }

    // Waits until every queued byte is written and ends the thread; the
    // first error of the writes, or 0.
    int stop() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        queued_.notify_one();
        if (thread_.joinable()) thread_.join();
        return error_;
    }

    // stop(), then closes the file: the first error of the writes or of the
    // close, or 0.
    int finish() {
        int error = stop();
        if (::close(fd_) != 0 && error == 0) error = errno != 0 ? errno : EIO;
        return error;
    }

private:
    static constexpr std::size_t kPending = 4;

    void write_queued() {
        if (truncate_) {
            while (::ftruncate(fd_, 0) != 0) {
                if (errno == EINTR) continue;
                std::lock_guard lock(mutex_);
                error_ = errno != 0 ? errno : EIO;
                break;
            }
        }
        for (;;) {
            std::vector<char> chunk;
            {
                std::unique_lock lock(mutex_);
                queued_.wait(lock, [this] { return !queue_.empty() || closing_; });
                if (queue_.empty()) return;
                chunk = std::move(queue_.front());
                queue_.pop_front();
            }
            const int error = write_all(chunk);
            {
                std::lock_guard lock(mutex_);
                if (error != 0 && error_ == 0) error_ = error;
                spare_.push_back(std::move(chunk));
                --unwritten_;
            }
            room_.notify_all();
        }
    }

    // 0, or the errno of the write that failed. After a failure nothing
    // more is written.
    int write_all(const std::vector<char>& chunk) {
        {
            std::lock_guard lock(mutex_);
            if (error_ != 0) return 0;
        }
        std::size_t done = 0;
        while (done < chunk.size()) {
            const ssize_t n = ::write(fd_, chunk.data() + done, chunk.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno != 0 ? errno : EIO;
            }
            if (n == 0) return EIO;
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }

    int fd_;
    bool truncate_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable queued_; // a chunk queued, or the file closing
    std::condition_variable room_;   // a chunk written
    std::size_t unwritten_ = 0;      // chunks queued or being written
    std::deque<std::vector<char>> queue_;
    std::vector<std::vector<char>> spare_; // written chunks, their memory re-used
    int error_ = 0;
    bool closing_ = false;
};

namespace {

ssize_t write_cookie(void* cookie, const char* data, std::size_t n) {
    // A count short of n marks the stream in error.
    return static_cast<WriteBehind*>(cookie)->put(data, n) ? static_cast<ssize_t>(n) : 0;
}

int close_cookie(void* cookie) {
    auto* writer = static_cast<WriteBehind*>(cookie);
    const int error = writer->finish();
    delete writer;
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

} // namespace

WriteBehindStream open_write_behind(int fd, bool truncate) {
    auto* writer = new (std::nothrow) WriteBehind(fd, truncate);
    if (!writer) {
        errno = ENOMEM;
        return {};
    }
    try {
        writer->start();
    } catch (const std::system_error& e) {
        delete writer;
        errno = e.code().value() != 0 ? e.code().value() : EAGAIN;
        return {};
    }
    cookie_io_functions_t io{};
    io.write = write_cookie;
    io.close = close_cookie;
    std::FILE* f = ::fopencookie(writer, "w", io);
    if (!f) {
        const int error = errno;
        writer->stop(); // fd stays the caller's (and may be emptied)
        delete writer;
        errno = error;
        return {};
    }
    return {f, writer};
}

int drain(WriteBehind& writer) { return writer.drain(); }

} // namespace quarlo
