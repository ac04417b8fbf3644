#pragma once

#include <QString>

namespace tw::app {

// True when the file system can tell the modification time of the path: an existing file or
// folder. Every failure (no such path, a bad or empty path) gives false.
bool FileExists(const QString &path) noexcept;

} // namespace tw::app
