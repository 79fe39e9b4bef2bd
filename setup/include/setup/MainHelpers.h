#pragma once
// Helpers of the installer shared by the start-up, the install run and the uninstall run.
#include <cstddef>
#include <string>
#include <string_view>

namespace setup {

// The text as PosText compares it: upper-cased by the system locale (unchanged when the mapping
// would change its length, so that positions stay those of the text).
std::string SearchForm(std::string_view text);

// Position (1-based, 0 when absent) of pattern in text without regard to case, double-byte aware.
std::size_t PosText(std::string_view pattern, std::string_view text);

// The parts of a path around its last "\" or ":" (never a trail byte): the folder with that
// separator, and the file name after it.
std::string FolderPart(std::string_view path);
std::string FileNamePart(std::string_view path);

}  // namespace setup
