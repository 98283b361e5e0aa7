// Runs a program as a user would and collects what it says.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct RunResult {
    std::string out;
    std::string err;
    int status;     // exit status, or 128 + signal number
    bool timed_out; // killed after the time limit
};

// Runs argv (argv[0] is the path) with extra environment settings
// ("NAME=value"; "NAME=" with nothing after unsets NAME) and a time limit.
RunResult runProgram(const std::vector<std::string> &argv,
                     const std::vector<std::string> &env = {}, double seconds = 20);

// The applet as built, with these arguments.
RunResult runOrvane(const std::vector<std::string> &args,
                    const std::vector<std::string> &env = {}, double seconds = 20);

// Starts a program in the background; returns its pid. Output goes to the
// given files (empty: /dev/null).
int spawnProgram(const std::vector<std::string> &argv, const std::vector<std::string> &env = {},
                 const std::string &out_file = "", const std::string &err_file = "");

// Waits up to `seconds` for pid to end; returns its status as RunResult does,
// or -1 if it is still running.
int waitProgram(int pid, double seconds);

// Kills and reaps pid.
void killProgram(int pid);

// A counter of the running process pid from /proc/PID/FILE, the number after
// "KEY:" (file "status", key "voluntary_ctxt_switches"; file "io", key
// "wchar"); -1 when it cannot be read.
long long processCounter(int pid, const std::string &file, const std::string &key);

// Other programs' processes, as /proc shows them: for the ones a program the
// test started has started in its turn (a window manager's applets).
std::vector<int> childProcesses(int pid);
int parentProcess(int pid); // -1 if there is no such process
// Running: it exists and is no zombie.
bool processRunning(int pid);
// The program file it runs (the target of /proc/PID/exe), its arguments.
std::string processExecutable(int pid);
std::vector<std::string> processArguments(int pid);

// Stops a process the test did not start itself (it cannot be reaped here):
// sends the signal, then waits up to `seconds` for it to be gone, and kills
// it if it is still there. True if it went on the signal alone.
bool stopProcess(int pid, int signal, double seconds = 10);

std::string readFile(const std::string &path);
std::string tempPath(const std::string &stem);
