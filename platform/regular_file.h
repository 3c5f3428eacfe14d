#pragma once
// Opening files a scenario names, where anything may stand in a file's place. A FIFO
// opened for reading waits for a writer, a device may never end, a directory is no
// file: only regular files are opened, and the open itself never blocks. Anything
// else counts as unreadable, as a missing file does.
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace qvl::platform {

// True when path names a regular file (links followed); nothing is opened.
bool isRegularFile(const std::string& path);

// A descriptor open for reading, or -1 with *reason (when given) saying why.
int openRegularFile(const std::string& path, std::string* reason = nullptr);
// The same as a stdio stream, for libraries that read through one.
std::FILE* openRegularStream(const std::string& path, std::string* reason = nullptr);

// The file's first bytes, at most limit + 1 of them, so that a caller can tell a
// file that fills the limit from one that goes past it.
std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit,
                                           std::string* reason = nullptr);

}  // namespace qvl::platform
