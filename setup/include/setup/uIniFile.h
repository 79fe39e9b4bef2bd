#pragma once
// The reader and writer through which every INI file of the setup program is accessed.
#include <string>
#include <string_view>

namespace setup {

// Flushes the system's cached copy of the file, then writes the value (an empty value leaves the
// key with nothing after "="). True when the write succeeded.
bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file);

// The value of the key, read whole whatever its length; the default when the key is missing.
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file);

}  // namespace setup
