// A run killed with SIGKILL in mid-evolution leaves a track file that holds
// only complete lines: every line 193 columns of 22 characters and a
// newline, none cut short. Whatever is on disk at the moment of the kill is
// what a user (or a resumed population) gets to read.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "run/run_dir.hpp"
#include "support/files.hpp"

using velkaro::testing::read_file;

constexpr std::size_t kTrackLine = 193 * 22 + 1;

TEST(KilledRun, TrackFileHoldsOnlyCompleteLines) {
    velkaro::testing::RunDir dir;
    const std::string prog = std::string(VELKARO_BINARY_DIR) + "/velkaro";
    const std::string rundir = dir.path().string();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execl(prog.c_str(), prog.c_str(), rundir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    // Wait for about twenty lines (the run is far from its end then), polling
    // the file size: the kill lands wherever the writer happens to be.
    const auto fort1 = dir.path() / "fort.1";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
    int status = 0;
    bool exited = false;
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(fort1, ec);
        if (!ec && size >= 20 * kTrackLine) break;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ASSERT_FALSE(exited) << "the run ended before it was killed, status " << status;
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const std::string text = read_file(fort1);
    ASSERT_GE(text.size(), 20 * kTrackLine);
    // Every line, the last included, is whole: a cut one has no newline or the wrong length.
    for (std::size_t pos = 0, line = 1; pos < text.size(); ++line) {
        const auto nl = text.find('\n', pos);
        ASSERT_NE(nl, std::string::npos) << "line " << line << " has no newline";
        ASSERT_EQ(nl - pos + 1, kTrackLine) << "line " << line;
        pos = nl + 1;
    }
}
