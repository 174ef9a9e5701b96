// What the command-line tools need from the system besides the extraction
// seam: their streams, the terminal, the default locale and the entry point.
// Implemented by Console.cpp with ConsolePosix.cpp or ConsoleWin32.cpp; the
// files the tools name by path are ToolFiles.h's.
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
// Bytes on standard output as they are: on Windows standard output is put in
// binary mode first (no line end is turned into CR LF, a console too gets
// the bytes). False once standard output has failed.
bool ConsoleWriteBytes(const uint8_t* data, size_t size);
// Called at once after a write to standard output failed: true when it
// failed because the reading end of its pipe was closed (a listing piped
// into "head"), not for a full device or another failure.
bool ConsoleOutputClosed();
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

// The work of a tool's entry point: the arguments after the program name
// as UTF-16 (on Linux each taken whole, even when it is not UTF-8, since
// file names are bytes), and on Linux SIGPIPE and SIGXFSZ ignored (a closed
// pipe or a file-size limit shows as a failed write, which the tool reports)
// and partial output files removed on SIGINT, SIGTERM and SIGHUP. Returns
// run's status; a run that returns kClosedOutputStatus ends, on Linux, by
// SIGPIPE itself, as the tools a shell pipes into "head" do.
enum : int { kClosedOutputStatus = 141 };  // 128 + SIGPIPE, as a shell reports it
using ToolRun = int (*)(const std::vector<std::u16string>& args);
#ifdef _WIN32
int ConsoleRunTool(int argc, wchar_t** argv, ToolRun run);
#else
int ConsoleRunTool(int argc, char** argv, ToolRun run);
#endif
