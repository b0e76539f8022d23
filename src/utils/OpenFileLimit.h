#pragma once

namespace Utils {

// Raises the process's soft limit of open files to its hard limit, so that many connections at once do not leave
// the program unable to open a file; false when the limit cannot be read or changed.
bool raiseOpenFileLimit();

} // namespace Utils
