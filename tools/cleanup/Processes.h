// The processes a program started, found through /proc, and Wine's server for a prefix.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace cleanup {

// Every process below root (children, theirs, ...), nearest first.
std::vector<pid_t> Descendants(pid_t root);

// Kills every process below this one, until none is left or a few rounds have passed (a process
// may start another while it is killed).
void KillDescendants();

// The Wine server of a prefix (its folder is named after the prefix's device and inode, and the
// server works in it), or -1 when none runs.
pid_t WineServerOf(const std::string& prefix);

// Wine programs that use the prefix (WINEPREFIX in their environment) other than its server and
// its services (which run from C:\windows) and other than the processes in `except`.
std::vector<pid_t> WineClientsOf(const std::string& prefix, const std::vector<pid_t>& except);

}  // namespace cleanup
