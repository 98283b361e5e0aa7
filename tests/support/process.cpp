#include "process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

double nowSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void applyEnv(const std::vector<std::string> &env)
{
    for (const auto &e : env) {
        auto eq = e.find('=');
        std::string name = e.substr(0, eq);
        if (eq == std::string::npos || eq + 1 == e.size())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), e.c_str() + eq + 1, 1);
    }
}

[[noreturn]] void execArgv(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

int decodeStatus(int st)
{
    if (WIFEXITED(st))
        return WEXITSTATUS(st);
    if (WIFSIGNALED(st))
        return 128 + WTERMSIG(st);
    return -1;
}

} // namespace

RunResult runProgram(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                     double seconds)
{
    int out_pipe[2], err_pipe[2];
    if (pipe(out_pipe) || pipe(err_pipe))
        abort();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        close(out_pipe[0]);
        close(err_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[1]);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        applyEnv(env);
        execArgv(argv);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    RunResult r{"", "", -1, false};
    double deadline = nowSeconds() + seconds;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int open_fds = 2;
    while (open_fds > 0) {
        int left = static_cast<int>((deadline - nowSeconds()) * 1000);
        if (left <= 0) {
            r.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, left) < 0 && errno != EINTR)
            break;
        for (int k = 0; k < 2; k++) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buf[4096];
            ssize_t n = read(fds[k].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[k].fd);
                fds[k].fd = -1;
                open_fds--;
            } else {
                (k == 0 ? r.out : r.err).append(buf, n);
            }
        }
    }
    for (auto &f : fds)
        if (f.fd >= 0)
            close(f.fd);
    int st = 0;
    if (!r.timed_out) {
        // The pipes closed; give the process the rest of the time to exit.
        while (waitpid(pid, &st, WNOHANG) == 0) {
            if (nowSeconds() > deadline) {
                r.timed_out = true;
                kill(pid, SIGKILL);
                break;
            }
            usleep(2000);
        }
        if (!r.timed_out) {
            r.status = decodeStatus(st);
            return r;
        }
    }
    waitpid(pid, &st, 0);
    r.status = decodeStatus(st);
    return r;
}

RunResult runOrvane(const std::vector<std::string> &args, const std::vector<std::string> &env,
                    double seconds)
{
    std::vector<std::string> argv{ORVANE_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, env, seconds);
}

int spawnProgram(const std::vector<std::string> &argv, const std::vector<std::string> &env,
                 const std::string &out_file, const std::string &err_file)
{
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        int out = open(out_file.empty() ? "/dev/null" : out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(err_file.empty() ? "/dev/null" : err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        applyEnv(env);
        execArgv(argv);
    }
    return pid;
}

int waitProgram(int pid, double seconds)
{
    double deadline = nowSeconds() + seconds;
    int st;
    while (true) {
        pid_t r = waitpid(pid, &st, WNOHANG);
        if (r == pid)
            return decodeStatus(st);
        if (r < 0)
            return -1;
        if (nowSeconds() > deadline)
            return -1;
        usleep(5000);
    }
}

void killProgram(int pid)
{
    if (pid <= 0)
        return;
    // spawnProgram made pid a group leader: its children (wmaker re-executes
    // itself as a child, for one) go with it.
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    int st;
    waitpid(pid, &st, 0);
}

long long processCounter(int pid, const std::string &file, const std::string &key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    const std::string prefix = key + ":";
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, prefix.size(), prefix) == 0)
            return strtoll(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

namespace {

// The state letter and the parent of a process from /proc/PID/stat; the
// program name in parentheses may itself hold spaces and parentheses.
bool readStat(int pid, char *state, int *parent)
{
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return false;
    return sscanf(stat.c_str() + close + 1, " %c %d", state, parent) == 2;
}

} // namespace

std::vector<int> childProcesses(int pid)
{
    std::vector<int> children;
    DIR *proc = opendir("/proc");
    if (!proc)
        return children;
    while (dirent *entry = readdir(proc)) {
        char *end;
        long candidate = strtol(entry->d_name, &end, 10);
        char state;
        int parent;
        if (*end == '\0' && candidate > 0 && readStat(static_cast<int>(candidate), &state, &parent) &&
            parent == pid && state != 'Z')
            children.push_back(static_cast<int>(candidate));
    }
    closedir(proc);
    return children;
}

int parentProcess(int pid)
{
    char state;
    int parent;
    return readStat(pid, &state, &parent) ? parent : -1;
}

bool processRunning(int pid)
{
    char state;
    int parent;
    return pid > 0 && readStat(pid, &state, &parent) && state != 'Z' && state != 'X';
}

std::string processExecutable(int pid)
{
    char target[4096];
    ssize_t n = readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, n) : std::string();
}

std::vector<std::string> processArguments(int pid)
{
    std::vector<std::string> args;
    std::string all = readFile("/proc/" + std::to_string(pid) + "/cmdline");
    for (size_t start = 0; start < all.size();) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos)
            end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

bool stopProcess(int pid, int signal, double seconds)
{
    if (!processRunning(pid))
        return true;
    kill(pid, signal);
    double deadline = nowSeconds() + seconds;
    while (processRunning(pid) && nowSeconds() < deadline)
        usleep(10000);
    if (!processRunning(pid))
        return true;
    kill(pid, SIGKILL);
    for (int i = 0; i < 500 && processRunning(pid); i++)
        usleep(10000);
    return false;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string tempPath(const std::string &stem)
{
    static int counter = 0;
    const char *dir = getenv("TMPDIR");
    std::ostringstream p;
    p << (dir ? dir : "/tmp") << "/orvane-test-" << getpid() << "-" << counter++ << "-" << stem;
    return p.str();
}
