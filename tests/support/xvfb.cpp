#include "xvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The child: Xvfb writes the display number it took on the pipe. It keeps
// none of the caller's streams and ends with the caller, so that a crashed
// test, benchmark or fuzzer leaves no server behind.
[[noreturn]] void execXvfb(int report_fd, const std::string &args)
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(devnull, 2);
    std::vector<std::string> words{"Xvfb", "-displayfd", std::to_string(report_fd), "-nolisten", "tcp",
                                   "-noreset"};
    std::istringstream in(args);
    for (std::string w; in >> w;)
        words.push_back(w);
    std::vector<char *> argv;
    for (auto &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    execvp("Xvfb", argv.data());
    _exit(127);
}

// The display number, up to the newline; "" when none comes within 15 s.
std::string readDisplayNumber(int fd)
{
    std::string digits;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 15000) > 0) {
        char c;
        if (read(fd, &c, 1) != 1 || c == '\n')
            break;
        digits += c;
    }
    return digits;
}

} // namespace

XServer launchXvfb(const std::string &args)
{
    XServer s;
    int fds[2];
    if (pipe(fds)) {
        s.error = std::string("pipe failed: ") + strerror(errno);
        return s;
    }
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        execXvfb(fds[1], args);
    }
    close(fds[1]);
    if (pid < 0) {
        // No child to signal: kill(-1) would reach every process we may signal.
        s.error = std::string("fork failed: ") + strerror(errno);
        close(fds[0]);
        return s;
    }
    std::string digits = readDisplayNumber(fds[0]);
    close(fds[0]);
    if (digits.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        s.error = "Xvfb " + args + " did not start";
        return s;
    }
    s.pid = pid;
    s.number = atoi(digits.c_str());
    s.name = ":" + digits;
    return s;
}

void stopXvfb(XServer &server)
{
    if (server.pid <= 0)
        return;
    kill(server.pid, SIGTERM);
    for (int i = 0; i < 200; i++) {
        if (waitpid(server.pid, nullptr, WNOHANG) == server.pid) {
            server.pid = -1;
            return;
        }
        usleep(10000);
    }
    kill(server.pid, SIGKILL);
    waitpid(server.pid, nullptr, 0);
    server.pid = -1;
}
