#include "tests/native/CliProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

void ApplyEnv(const Env& env) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        unsetenv(name);
    for (const auto& [name, value] : env)
        setenv(name.c_str(), value.c_str(), 1);
}

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buf[4096];
    ssize_t got;
    while ((got = read(fd, buf, sizeof buf)) > 0)
        text.append(buf, size_t(got));
    return text;
}

// Forks the binary with the given standard output and error (-1: /dev/null).
pid_t Spawn(const std::string& binary, const std::string& cwd, std::vector<std::string>& args, const Env& env,
            int out, int err, const std::vector<int>& closeInChild, bool removeCwd = false) {
    args.insert(args.begin(), binary);
    const pid_t pid = fork();
    if (pid == 0) {
        ApplyEnv(env);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(out >= 0 ? out : null, 1);
        dup2(err >= 0 ? err : null, 2);
        for (int fd : closeInChild)
            close(fd);
        if (chdir(cwd.c_str()) != 0 || (removeCwd && rmdir(cwd.c_str()) != 0))
            _exit(127);
        std::vector<char*> argv = Argv(args);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

}  // namespace

SResult WaitCli(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    SResult result;
    result.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.nSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

namespace {

SResult Run(const std::string& binary, const std::string& cwd, std::vector<std::string> args, const Env& env,
            int stdoutFd, bool removeCwd) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return SResult();
    const pid_t pid =
        Spawn(binary, cwd, args, env, stdoutFd >= 0 ? stdoutFd : out[1], err[1], {out[0], err[0]}, removeCwd);
    close(out[1]);
    close(err[1]);
    // The outputs are small: read stderr after stdout without deadlock risk.
    const std::string outText = ReadAll(out[0]);
    const std::string errText = ReadAll(err[0]);
    close(out[0]);
    close(err[0]);
    SResult result = WaitCli(pid);
    result.out = outText;
    result.err = errText;
    return result;
}

}  // namespace

SResult RunCli(const std::string& cwd, std::vector<std::string> args, const Env& env, int stdoutFd, bool removeCwd) {
    return Run(VANTO_EXTRACT_BINARY, cwd, std::move(args), env, stdoutFd, removeCwd);
}

SResult RunTool(const std::string& binary, const std::string& cwd, std::vector<std::string> args, const Env& env,
                int stdoutFd) {
    return Run(binary, cwd, std::move(args), env, stdoutFd, false);
}

pid_t StartCli(const std::string& cwd, std::vector<std::string> args) {
    return Spawn(VANTO_EXTRACT_BINARY, cwd, args, {}, -1, -1, {});
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBinary(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

CTempFolder::CTempFolder(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (mkdtemp(pattern.data()))
        m_path = pattern;
}

CTempFolder::~CTempFolder() {
    if (!m_path.empty())
        std::system(("rm -rf '" + m_path + "'").c_str());
}

namespace {
std::vector<std::string>* g_pFound = nullptr;
size_t g_nRootLength = 0;
int CollectFile(const char* path, const struct stat*, int type, struct FTW*) {
    if (type == FTW_F)
        g_pFound->push_back(std::string(path + g_nRootLength));
    return 0;
}
}  // namespace

std::vector<std::string> FilesBelow(const std::string& root) {
    std::vector<std::string> found;
    g_pFound = &found;
    g_nRootLength = root.size() + 1;
    nftw(root.c_str(), CollectFile, 16, FTW_PHYS);
    std::sort(found.begin(), found.end());
    return found;
}

CTerminal::CTerminal(const std::string& cwd, std::vector<std::string> args) {
    args.insert(args.begin(), VANTO_EXTRACT_BINARY);
    m_pid = forkpty(&m_fd, nullptr, nullptr, nullptr);
    if (m_pid == 0) {
        ApplyEnv({});
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        std::vector<char*> argv = Argv(args);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

std::string CTerminal::WaitFor(const std::string& text) {
    for (int i = 0; i < 100 && m_seen.find(text) == std::string::npos; ++i) {
        pollfd p = {m_fd, POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buf[1024];
            const ssize_t got = read(m_fd, buf, sizeof buf);
            if (got <= 0)
                break;
            m_seen.append(buf, size_t(got));
        }
    }
    return m_seen;
}

void CTerminal::Type(const std::string& keys) {
    EXPECT_EQ(write(m_fd, keys.data(), keys.size()), ssize_t(keys.size()));
}

int CTerminal::Finish(const std::string& last) {
    WaitFor(last);
    int status = 0;
    waitpid(m_pid, &status, 0);
    close(m_fd);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
