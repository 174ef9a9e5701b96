// The exit statuses of every command-line tool, one meaning each.
#pragma once

enum class EExitStatus : int {
    Done = 0,     // everything asked was done, and nothing was wrong
    Failed = 1,   // something could not be done (read, written, built), or an output failed
    Usage = 2,    // the command line is wrong: nothing was done
    Problem = 3,  // done, but something it held had a problem (or was refused): see the messages
    // What it wrote on standard output was no longer read (a listing piped
    // into "head"): it ended at once and quietly. On Linux the tool then ends
    // by SIGPIPE (console/Console.h), and a shell reports 141.
    Cut = 141,
};

