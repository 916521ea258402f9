#pragma once

#include <string>

// The file-system operations behind the list files. Paths are in the system's 8-bit encoding.
// Failures raise EInOutError with the system's own reason as the message.
namespace lists {

// Creates `folder` with every missing parent; false when that cannot be done. An empty path is
// an error rather than a "no": it raises EInOutError "Unable to create directory".
bool ForceDirectories(const std::string& folder);

// True for an existing regular file (or a link to one).
bool FileExists(const std::string& path);

std::string ReadWholeFile(const std::string& path);

// Replaces the file at `path` with `bytes` all at once: the bytes go to a new file in the same
// folder that then takes the old one's place, so a failure leaves the old file as it was.
void ReplaceFile(const std::string& path, const std::string& bytes);

}  // namespace lists
