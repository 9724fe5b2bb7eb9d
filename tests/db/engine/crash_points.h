#pragma once

#include "db/engine/db_error.h"
#include "db/engine/test_hook.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Crash and disk-full tests run the operation in a child process. Kills land on the engine's
// named points (db/engine/test_hook.h): a first, uninterrupted run reports every point it
// reaches through a pipe, and each later run kills itself on reaching the n-th of them, so a
// kill point is an exact step of the operation, the same on a slow machine as on a fast one.
// A full disk is a file size limit (RLIMIT_FSIZE, SIGXFSZ ignored): writes beyond it fail
// with EFBIG as they would on a full disk.
namespace crashtest {

// How the child ended.
enum class End { Done, DbError, OtherError, Killed, Other };

inline const char *name(End e) {
    switch (e) {
    case End::Done:
        return "done";
    case End::DbError:
        return "DbError";
    case End::OtherError:
        return "another exception";
    case End::Killed:
        return "killed";
    case End::Other:
        break;
    }
    return "ended otherwise";
}

namespace detail {
inline int g_reportFd = -1;
inline std::size_t g_killAt = std::numeric_limits<std::size_t>::max();
inline std::size_t g_reached = 0;

inline void hook(const char *point) {
    if (g_reportFd >= 0) {
        std::string line = std::string(point) + "\n";
        (void)!::write(g_reportFd, line.data(), line.size());
    }
    if (g_reached++ == g_killAt)
        ::raise(SIGKILL);
}
} // namespace detail

struct Options {
    std::size_t killAt = std::numeric_limits<std::size_t>::max(); // 0-based point number
    std::uint64_t fileSizeLimit = 0;                              // 0: none
    std::vector<std::string> *points = nullptr;                   // reached points, in order
};

// Runs `work` in a child process and tells how it ended. The parent must not hold the files
// open (a child would share its locks).
inline End run(const std::function<void()> &work, const Options &o = {}) {
    int fds[2] = {-1, -1};
    if (o.points && ::pipe(fds) != 0)
        return End::Other;
    const pid_t child = ::fork();
    if (child < 0)
        return End::Other;
    if (child == 0) {
        if (o.points) {
            ::close(fds[0]);
            detail::g_reportFd = fds[1];
        }
        detail::g_killAt = o.killAt;
        detail::g_reached = 0;
        if (o.fileSizeLimit > 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{o.fileSizeLimit, o.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(5);
        }
        db::testhook::set(&detail::hook);
        try {
            work();
        } catch (const db::DbError &) {
            ::_exit(2);
        } catch (...) {
            ::_exit(3);
        }
        ::_exit(0);
    }
    if (o.points) {
        ::close(fds[1]);
        std::string text;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
            text.append(buf, static_cast<std::size_t>(n));
        ::close(fds[0]);
        o.points->clear();
        for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
            o.points->push_back(text.substr(at, nl - at));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return WTERMSIG(status) == SIGKILL ? End::Killed : End::Other;
    if (!WIFEXITED(status))
        return End::Other;
    switch (WEXITSTATUS(status)) {
    case 0:
        return End::Done;
    case 2:
        return End::DbError;
    case 3:
        return End::OtherError;
    default:
        return End::Other;
    }
}

// The points an uninterrupted run of `work` reaches; it must succeed.
inline std::vector<std::string> pointsOf(const std::function<void()> &work) {
    std::vector<std::string> points;
    Options o;
    o.points = &points;
    EXPECT_EQ(run(work, o), End::Done) << "the uninterrupted run failed";
    return points;
}

// Up to `most` point numbers spread over `count` points, always with every point whose name
// occurs once (a single step such as a rename) and the first and last.
inline std::vector<std::size_t> spread(const std::vector<std::string> &points, std::size_t most) {
    std::vector<std::size_t> out;
    const std::size_t count = points.size();
    for (std::size_t i = 0; i < count; ++i) {
        const bool first = i == 0 || i + 1 == count;
        const bool single = (i == 0 || points[i - 1] != points[i]) &&
                            (i + 1 == count || points[i + 1] != points[i]);
        const bool evenly = i * most / count != (i + 1) * most / count;
        if (first || single || evenly)
            out.push_back(i);
    }
    return out;
}

} // namespace crashtest
