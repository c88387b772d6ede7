#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lindrel::platform {

namespace {

StartResult ResultForErrno(int error) {
    switch (error) {
    case ENOENT:
        return StartResult::FileNotFound;
    case ENOTDIR:
        return StartResult::PathNotFound;
    case EACCES:
    case EPERM:
        return StartResult::AccessDenied;
    case ENOMEM:
        return StartResult::OutOfMemory;
    default:
        return StartResult::NotAProgram;
    }
}

// The desktop's opener as the user's PATH finds it.
std::string FindOpener() {
    const char* path = std::getenv("PATH");
    const std::string folders =
        path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty()) {
            std::string candidate = folder + "/xdg-open";
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

} // namespace

StartResult StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder) {
    // Everything the child needs is built before the fork: only async-signal-safe calls
    // follow it.
    std::vector<std::string> args = {program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through the pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return StartResult::OutOfMemory;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return StartResult::OutOfMemory;
    }
    if (child == 0) {
        // The middle process ends at once, so the program is nobody's child to reap.
        ::setsid();
        if (::fork() == 0) {
            int error = 0;
            if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
                error = ENOTDIR;
            } else {
                ::execv(program.c_str(), argv.data());
                error = errno;
            }
            static_cast<void>(::write(report[1], &error, sizeof error));
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    ::waitpid(child, nullptr, 0);
    int error = 0;
    const ssize_t got = ::read(report[0], &error, sizeof error);
    ::close(report[0]);
    return got == static_cast<ssize_t>(sizeof error) ? ResultForErrno(error) : StartResult::Started;
}

StartResult OpenWithDesktop(const std::string& file, const std::string& folder) {
    const std::string opener = FindOpener();
    if (opener.empty()) {
        return StartResult::FileNotFound;
    }
    return StartDetached(opener, {file}, folder);
}

void NameThisThread(const std::string& name) {
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

std::size_t RaiseOpenFileLimit() {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0) {
        return 1024; // the usual soft limit, when even asking fails
    }
    if (files.rlim_cur < files.rlim_max) {
        rlimit raised = files;
        raised.rlim_cur = files.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            files = raised;
        }
    }
    return files.rlim_cur == RLIM_INFINITY ? SIZE_MAX : static_cast<std::size_t>(files.rlim_cur);
}

} // namespace lindrel::platform
