#include "setup/uIniFile.h"

#include <vector>

#include "platform/profile.h"

namespace setup {

bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file) {
  win::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
  return win::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                         file.c_str()) != win::FALSE;
}

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file) {
  // The profile reader cuts a value to the buffer; a result that fills it may have been cut.
  constexpr win::DWORD kStep = 256;
  std::vector<char> buffer(kStep);
  for (;;) {
    auto size = static_cast<win::DWORD>(buffer.size());
    win::DWORD length = win::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(),
                                                      buffer.data(), size, file.c_str());
    if (length != size - 1) return std::string(buffer.data(), length < size ? length : 0);
    buffer.resize(buffer.size() + kStep);
  }
}

}  // namespace setup
