#pragma once
// The INI-style store the filters are kept in: sections of named text, integer and boolean values.
// Booleans are written as the text "1" or "0" and read as integers (non-zero is true); integers
// read from text are decimal, and text that is not a number gives the default.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace newsgate {

// A store that cannot be read or written: the registry refused a change, a file could not be read.
class EStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCustomIniFile {
 public:
  virtual ~TCustomIniFile() = default;

  virtual std::vector<std::string> ReadSections() const = 0;
  virtual std::string ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) const = 0;
  virtual std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                                   std::int32_t def) const = 0;
  bool ReadBool(std::string_view section, std::string_view ident, bool def) const;

  virtual void WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) = 0;
  virtual void WriteInteger(std::string_view section, std::string_view ident,
                            std::int32_t value) = 0;
  void WriteBool(std::string_view section, std::string_view ident, bool value);

  // Removes the section with all its values; nothing when there is none.
  virtual void EraseSection(std::string_view section) = 0;
};

// The store over a registry key: one subkey per section. Integers are DWORD values (two's
// complement), texts string values; a number stored as a string is read as a decimal number, and a
// DWORD read as text gives its decimal form. Reading never fails (a missing key or value gives the
// default); a change the registry refuses throws EStoreError.
class TRegistryIniFile : public TCustomIniFile {
 public:
  // The key is created when missing.
  TRegistryIniFile(win::HKEY root, std::string key);

  std::vector<std::string> ReadSections() const override;
  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) const override;
  std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                           std::int32_t def) const override;
  void WriteString(std::string_view section, std::string_view ident,
                   std::string_view value) override;
  void WriteInteger(std::string_view section, std::string_view ident, std::int32_t value) override;
  void EraseSection(std::string_view section) override;

 private:
  bool Query(std::string_view section, std::string_view ident, win::RegValue& value) const;
  win::RegKey CreateSection(std::string_view section);
  std::string SectionPath(std::string_view section) const;

  win::HKEY root_;
  std::string key_;
};

// The store over INI text held in memory, read as Windows reads INI files: lines end at CR, LF or
// CR LF; "[name]" starts a section; "name=value" lines with blanks around name and value dropped
// and one pair of matching quotes around the value removed; names compared without regard to ASCII
// case; the first of repeated names is the one read. Bytes are never converted. Writing quotes a
// value when reading would change it, so that what is written reads back the same; CR and LF, which
// the text cannot hold inside a value, are written as spaces.
class TMemIniFile : public TCustomIniFile {
 public:
  TMemIniFile() = default;
  explicit TMemIniFile(std::string_view text);

  // The file named by a Windows path, read whole; EStoreError when it cannot be read.
  static TMemIniFile FromFile(std::string_view fileName);
  // Writes the text as the file, atomically (temporary file in the same folder, then rename).
  void SaveToFile(std::string_view fileName) const;
  std::string GetText() const;

  // Section i alone, also when an earlier section has the same name.
  int SectionCount() const { return static_cast<int>(sections_.size()); }
  TMemIniFile Section(int i) const;

  std::vector<std::string> ReadSections() const override;
  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view def) const override;
  std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                           std::int32_t def) const override;
  void WriteString(std::string_view section, std::string_view ident,
                   std::string_view value) override;
  void WriteInteger(std::string_view section, std::string_view ident, std::int32_t value) override;
  void EraseSection(std::string_view section) override;

 private:
  struct SectionData {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };

  const std::string* Find(std::string_view section, std::string_view ident) const;
  SectionData& AddSection(std::string name);
  void Reindex();

  std::vector<SectionData> sections_;
  std::unordered_map<std::string, size_t> index_;  // folded name -> first section of that name
};

}  // namespace newsgate
