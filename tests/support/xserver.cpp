#include "xserver.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

XServer startXvfb(const std::string &args)
{
    XServer s;
    int fds[2];
    if (pipe(fds)) {
        ADD_FAILURE() << "pipe failed";
        return s;
    }
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::vector<std::string> words{"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp",
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
    close(fds[1]);
    std::string digits;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 15000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        digits += c;
    }
    close(fds[0]);
    if (digits.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        ADD_FAILURE() << "Xvfb " << args << " did not start";
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
