// What the command-line tool needs from the system besides the extraction
// seam: its streams, the terminal, the default locale and folder resolution.
// Implemented by Console.cpp with ConsolePosix.cpp or ConsoleWin32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One line on standard output, UTF-8 (a Windows console gets the characters).
// False once standard output has failed (a full device, a closed pipe).
bool ConsoleWriteLine(const char16_t* line);
// One line of UTF-8 on standard output, as ConsoleWriteLine.
bool ConsoleWriteUtf8Line(const std::string& line);
// Text on standard error, as is (no newline added), flushed at once.
void ConsoleWriteError(const char16_t* text);
// One log line on standard error (the log beside JSON events), left in the
// stream's buffer: the next ConsoleWriteError or the exit flushes it.
void ConsoleWriteErrorLine(const char16_t* line);
// Gives standard error a buffer of its own when it is not a terminal, so
// that a log sent there costs no system call a line.
void ConsoleBufferErrors();
// False when standard output has failed.
bool ConsoleFlush();
// The system's text for the last failed C library call.
std::u16string ConsoleErrorText();

// True when a person can answer: standard input and standard error are terminals.
bool ConsoleIsInteractive();
// True when standard error is a terminal (a console on Windows): the
// progress line may be redrawn there.
bool ConsoleErrorIsTerminal();
// True when standard output is a terminal (a console on Windows).
bool ConsoleOutputIsTerminal();
// Reads one line from standard input without its line end; keeps the first
// capacity - 1 characters and drops the rest. False at the end of input.
bool ConsoleReadLine(char16_t* buf, size_t capacity);
// ConsoleReadLine for standard input that is not a console: UTF-8 bytes.
bool ReadUtf8Line(char16_t* buf, size_t capacity);

// The locale name that decides the default language: "ja-JP" for Japanese.
// POSIX: LC_ALL, LC_MESSAGES, LANG in that order; Windows: the system default.
std::u16string DefaultLocaleName();

// Reads a regular file whole into bytes, without following a link in its
// last component: one open and plain reads, no mapping; a pipe is refused,
// never waited on. False when it is not a regular file, has limit bytes or
// more (at most 2 GiB - 1 are read), or cannot be read whole.
bool ConsoleReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, long long limit = 0x7FFFFFFF);

// The size in bytes of a file, or -1 when it cannot be had.
long long ConsoleFileSize(const std::u16string& path);

// The absolute form of an existing folder; false when it is not one.
bool ResolveExistingFolder(const std::u16string& folder, std::u16string& absolute);
// The absolute form of an existing file or folder; false when there is none.
bool ResolveExistingPath(const std::u16string& path, std::u16string& absolute, bool& isFolder);

// The work of a tool's entry point: the arguments after the program name
// as UTF-16 (on Linux each taken whole, even when it is not UTF-8, since
// file names are bytes), and on Linux SIGPIPE and SIGXFSZ ignored (a closed
// pipe or a file-size limit shows as a failed write, which the tool reports)
// and partial output files removed on SIGINT, SIGTERM and SIGHUP. Returns
// run's status.
using ToolRun = int (*)(const std::vector<std::u16string>& args);
#ifdef _WIN32
int ConsoleRunTool(int argc, wchar_t** argv, ToolRun run);
#else
int ConsoleRunTool(int argc, char** argv, ToolRun run);
#endif

// What stands at a path; a link at its end is not followed.
enum class EConsolePathKind { None, File, Folder, Other };
struct SConsoleItem {
    std::u16string strName;
    EConsolePathKind eKind = EConsolePathKind::None;
    long long nSize = 0;  // bytes, for a file
};
// The kind of what stands at path, and its size when it is a file.
SConsoleItem ConsolePathItem(const std::u16string& path);
// A folder's items, without "." and ".."; links are Other. False when it
// cannot be read.
bool ConsoleListFolder(const std::u16string& folder, std::vector<SConsoleItem>& items);
// Moves the file `from` to `to`, replacing a file there (both in one folder).
bool ConsoleReplaceFile(const std::u16string& from, const std::u16string& to);
bool ConsoleRemoveFile(const std::u16string& path);
