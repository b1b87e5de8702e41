#include <base/fd_io.h>
#include <base/unique_fd.h>

#include "test_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

std::atomic<int> g_signals{0};
void CountSignal(int) { ++g_signals; }

// SIGUSR1 handled without SA_RESTART, so that it interrupts a blocked read
// or write (EINTR, or a short count once some bytes went through).
struct InterruptingSignal {
    struct sigaction old {};
    InterruptingSignal() {
        struct sigaction sa {};
        sa.sa_handler = CountSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;
        sigaction(SIGUSR1, &sa, &old);
    }
    ~InterruptingSignal() { sigaction(SIGUSR1, &old, nullptr); }
};

struct Pipe {
    base::UniqueFd read, write;
    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        read.Reset(fds[0]);
        write.Reset(fds[1]);
    }
};

// A thread running call, whose blocking in a system call the test waits for.
class Blocking {
public:
    explicit Blocking(std::function<void()> call)
        : thread_([this, call = std::move(call)] {
              tid_ = pid_t(::syscall(SYS_gettid));
              call();
              done_ = true;
          }) {}
    ~Blocking() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    // Waits until the thread sleeps in system call number (or has ended).
    void WaitUntilIn(long number) {
        while (!done_ && !In(number)) std::this_thread::yield();
    }
    void Signal() { ::pthread_kill(thread_.native_handle(), SIGUSR1); }

private:
    bool In(long number) const {
        const pid_t tid = tid_;
        if (tid == 0) return false;
        std::ifstream syscall("/proc/self/task/" + std::to_string(tid) + "/syscall");
        long current = -1;
        return syscall >> current && current == number;
    }
    std::atomic<pid_t> tid_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST(FdIo, ReadsAndWritesWholeBuffersThroughSignalsShortCountsAndTheEnd) {
    InterruptingSignal handler;

    // A read interrupted while it waits is asked again; the bytes come in
    // two short pieces and are read as one buffer.
    {
        Pipe pipe;
        std::string got(8, '\0');
        ssize_t n = 0;
        g_signals = 0;
        Blocking reader([&] { n = base::ReadAll(pipe.read.get(), got.data(), got.size()); });
        reader.WaitUntilIn(SYS_read);
        reader.Signal();
        while (g_signals == 0) std::this_thread::yield();
        reader.WaitUntilIn(SYS_read);
        ASSERT_EQ(::write(pipe.write.get(), "abc", 3), 3);
        reader.WaitUntilIn(SYS_read);
        ASSERT_EQ(::write(pipe.write.get(), "defgh", 5), 5);
        reader.Join();
        EXPECT_EQ(n, 8);
        EXPECT_EQ(got, "abcdefgh");
    }

    // A write far larger than the pipe holds, interrupted while it waits,
    // goes on from where the short count left it.
    {
        Pipe pipe;
        std::string data(1 << 20, '\0');
        for (size_t i = 0; i < data.size(); ++i) data[i] = char('a' + i % 23);
        size_t written = 0;
        g_signals = 0;
        Blocking writer([&] {
            written = base::WriteAll(pipe.write.get(), data.data(), data.size());
            pipe.write.Reset();
        });
        writer.WaitUntilIn(SYS_write);
        writer.Signal();
        while (g_signals == 0) std::this_thread::yield();
        std::string got(data.size() + 1, '\0');
        const ssize_t n = base::ReadAll(pipe.read.get(), got.data(), got.size());
        writer.Join();
        EXPECT_EQ(written, data.size());
        ASSERT_EQ(n, ssize_t(data.size()));
        got.resize(size_t(n));
        EXPECT_TRUE(got == data);
    }

    // The end of the file: fewer bytes than asked, then none.
    testsupport::TempDir dir;
    const std::string path = dir.Write("five", "12345");
    base::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(file);
    char buf[16] = {};
    EXPECT_EQ(base::PreadAll(file.get(), buf, sizeof buf, 2), 3);
    EXPECT_EQ(std::string(buf, 3), "345");
    EXPECT_EQ(base::PreadAll(file.get(), buf, sizeof buf, 9), 0);
    EXPECT_EQ(base::ReadAll(file.get(), buf, sizeof buf), 5);
    EXPECT_EQ(base::ReadAll(file.get(), buf, sizeof buf), 0);

    // Failures say so: -1 for a read, a short count for a write, errno set.
    EXPECT_EQ(base::WriteAll(file.get(), "x", 1), 0u);
    EXPECT_EQ(errno, EBADF);
    base::UniqueFd out(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(out);
    EXPECT_EQ(base::PwriteAll(out.get(), "ab", 2, 5), 2u);
    EXPECT_EQ(base::ReadAll(out.get(), buf, sizeof buf), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(base::PreadAll(file.get(), buf, sizeof buf, 0), 7);
    EXPECT_EQ(std::string(buf, 7), "12345ab");
}

}  // namespace
