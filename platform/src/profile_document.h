#pragma once
// The parsed lines of one INI file with an index of its sections and keys. Lines keep their bytes
// and line ends exactly as read; only the lines an edit writes are new, and they end in CR LF.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace win::profile {

// Lead bytes of a code page: trail bytes may look like "[", "]" or letters and are never split
// from their lead byte.
using LeadBytes = std::array<bool, 256>;
LeadBytes CurrentLeadBytes();  // of the ANSI code page in force

// How an edit changed the file's bytes: not at all, by bytes added at its end, or otherwise.
enum class Change { None, Appended, Rewritten };

struct Edit {
  Change change = Change::None;
  std::string appended;  // for Appended: the bytes added after the previous end of the file
};

class Document {
 public:
  Document(std::string_view bytes, const LeadBytes& lead);

  // The value (trimmed, quotes kept) of the first matching key in the first matching section.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  // Names each followed by a zero: every section, or the keys of the first matching section.
  std::string SectionNames() const;
  std::string KeyNames(std::string_view section) const;

  // A key found is rewritten in place; a new key goes after the last key line of its section, a new
  // section to the end of the file.
  Edit Set(std::string_view section, std::string_view key, std::string_view value);
  Edit DeleteKey(std::string_view section, std::string_view key);
  Edit DeleteSection(std::string_view section);  // every section of that name

  std::string Bytes() const;
  std::size_t size() const { return size_; }

 private:
  enum class Kind : unsigned char { Other, Section, Key };

  struct Line {
    std::string bytes;           // as in the file, line end included
    std::size_t textLength = 0;  // without the line end
    Kind kind = Kind::Other;
    std::size_t nameBegin = 0, nameEnd = 0;    // section or key name, trimmed
    std::size_t valueBegin = 0, valueEnd = 0;  // key value, trimmed
    std::string_view name() const { return {bytes.data() + nameBegin, nameEnd - nameBegin}; }
    std::string_view value() const { return {bytes.data() + valueBegin, valueEnd - valueBegin}; }
  };

  // A section header with the lines up to the next one; the first block holds the lines before
  // the first header and has no header.
  struct Block {
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> keys;  // folded name -> first line of that key
    std::size_t lastKey = 0;                            // last key line; 0 (the header) when none
  };

  Line MakeLine(std::string bytes, std::size_t textLength) const;
  Line NewLine(std::string text) const;  // a line written by an edit
  bool Reads(const Line& line, Kind kind, std::string_view name) const;
  std::string Fold(std::string_view name) const;
  void Add(Line line);
  void IndexKeys(Block& block) const;
  void IndexSections();
  const Block* FindBlock(std::string_view section) const;
  std::string EndLastLine();
  Edit Insert(std::size_t block, std::size_t position, Line line, std::string_view key);
  Edit AppendSection(std::string_view section, std::string_view key, std::string_view value);
  Edit Reparse();

  LeadBytes lead_;
  std::vector<Block> blocks_;
  std::unordered_map<std::string, std::size_t> sections_;  // folded name -> first block
  std::size_t size_ = 0;
};

}  // namespace win::profile
