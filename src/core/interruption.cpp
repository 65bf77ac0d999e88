#include "core/interruption.h"

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quarlo::interruption {

namespace {

struct State {
    std::recursive_mutex mutex;
    std::vector<std::string> files;
    std::string folder;
};

// The one mutable global of the program: the thread that waits for the
// signals has no run context to find the files in. It is never destroyed,
// so that a signal during the program's exit still finds it.
State& state() {
    static State* s = new State;
    return *s;
}

// Runs on the waiting thread; the other threads go on until _exit, but
// none of them creates, renames or removes a file of the lists meanwhile.
[[noreturn]] void clean_up_and_exit(int signal) {
    State& s = state();
    s.mutex.lock(); // never released: the program ends here
    for (const std::string& f : s.files) ::unlink(f.c_str());
    if (!s.folder.empty()) {
        if (DIR* dir = ::opendir(s.folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") ::unlink((s.folder + "/" + name).c_str());
            }
            ::closedir(dir);
        }
        ::rmdir(s.folder.c_str());
    }
    ::_exit(128 + signal);
}

} // namespace

std::unique_lock<std::recursive_mutex> hold() { return std::unique_lock<std::recursive_mutex>(state().mutex); }

void add_file(const std::string& path) { state().files.push_back(path); }

void remove_file(const std::string& path) {
    auto& files = state().files;
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

void set_folder(const std::string& path) { state().folder = path; }

void install() {
    std::signal(SIGXFSZ, SIG_IGN);
    sigset_t set;
    sigemptyset(&set);
    bool any = false;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaddset(&set, sig);
        any = true;
    }
    if (!any || ::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return;
    try {
        std::thread([set] {
            for (;;) {
                int sig = 0;
                if (::sigwait(&set, &sig) == 0) clean_up_and_exit(sig);
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread: the signals keep their usual effect.
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

} // namespace quarlo::interruption
