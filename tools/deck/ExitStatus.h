// The exit statuses of the tools, one table for every mode: an Office file, a batch of them and a
// deck file. bwoffice runs bwpass.exe and reads its status, so both builds share this header.
#pragma once

namespace bwpass {

constexpr int kExitOk = 0;             // done: every file converted
constexpr int kExitBadInput = 1;       // a file cannot be converted (not an Office file, damaged,
                                       // encrypted, a bad deck): nothing written for it
constexpr int kExitUsage = 2;          // bad command line: nothing written
constexpr int kExitNoPass = 3;         // the pass could not run (the plug-in could not be loaded,
                                       // bwpass.exe or Wine failed): nothing written
constexpr int kExitCannotWrite = 4;    // an output could not be written
constexpr int kExitHostCallFailed = 5; // the pass ran and the outputs are written, but a host call
                                       // failed or the plug-in left references behind
constexpr int kExitBatchIncomplete = 6;  // a batch: one or more files were not converted (each one
                                         // named with its message); the others are written

// The table as --help prints it.
constexpr const char* kExitStatusHelp =
    "Exit status (every mode):\n"
    "  0  done: every file converted\n"
    "  1  a file cannot be converted (not an Office file, damaged, encrypted, a bad deck):\n"
    "     nothing written for it\n"
    "  2  bad command line: nothing written\n"
    "  3  the pass could not run (the plug-in could not be loaded, bwpass.exe or Wine\n"
    "     failed): nothing written\n"
    "  4  an output could not be written\n"
    "  5  the pass ran and its outputs are written, but a host call failed or the plug-in\n"
    "     left references behind\n"
    "  6  a batch in which one or more files were not converted (each is named with its\n"
    "     message, and listed in the index); the other files are written\n"
    "  130 (143, 129)  interrupted by Ctrl-C (SIGTERM, SIGHUP): the outputs\n"
    "     complete by then stay (a batch lists them in its index), nothing\n"
    "     half-written, no temporary folder and no process of the run\n";

}  // namespace bwpass
