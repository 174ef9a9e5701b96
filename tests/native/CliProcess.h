// vanto-extract run as a real process, and the real files and folders of
// the tests that work on disk.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

struct SResult {
    int nExitCode = -1;  // -1 when it did not exit normally
    int nSignal = 0;     // the signal that ended it, if one did
    std::string out;
    std::string err;
};

// Environment for the child: the locale variables are cleared unless given.
using Env = std::map<std::string, std::string>;

void ApplyEnv(const Env& env);
std::vector<char*> Argv(std::vector<std::string>& args);

// Runs the program `binary` in cwd with its standard streams as RunCli
// gives them to vanto-extract.
SResult RunTool(const std::string& binary, const std::string& cwd, std::vector<std::string> args,
                const Env& env = {}, int stdoutFd = -1);

// Runs vanto-extract in cwd with standard input from /dev/null. Standard
// output goes to stdoutFd when one is given (out then stays empty). With
// removeCwd, cwd is removed after the child has entered it.
SResult RunCli(const std::string& cwd, std::vector<std::string> args, const Env& env = {}, int stdoutFd = -1,
               bool removeCwd = false);

// Starts vanto-extract in cwd with its output thrown away; for tests that
// end it themselves. Returns its pid.
pid_t StartCli(const std::string& cwd, std::vector<std::string> args);
// Waits for a child; fills nExitCode or nSignal.
SResult WaitCli(pid_t pid);

std::vector<std::string> SplitLines(const std::string& text);
bool Exists(const std::string& path);
std::string ReadText(const std::string& path);
void WriteBinary(const std::string& path, const std::vector<uint8_t>& data);

// A fresh folder below /tmp for one test, removed with all it holds.
class CTempFolder {
public:
    explicit CTempFolder(const char* prefix);
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Regular files below root (links not followed), as paths relative to it.
std::vector<std::string> FilesBelow(const std::string& root);

// vanto-extract on a terminal of its own (a pty for its standard streams),
// as a person runs it.
class CTerminal {
public:
    CTerminal(const std::string& cwd, std::vector<std::string> args);
    // Reads until `text` has been seen (or 10 s passed); returns all read so far.
    std::string WaitFor(const std::string& text);
    void Type(const std::string& keys);
    // Waits for the run's last text (the log's separator line) and for the
    // process; its exit code.
    int Finish(const std::string& last = "\n----------------");

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    std::string m_seen;
};
