#include "profile_document.h"

#include <algorithm>

#include "platform/codepage.h"

namespace win::profile {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

void Trim(std::string_view text, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
}

std::string_view Trimmed(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  Trim(text, begin, end);
  return text.substr(begin, end - begin);
}

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view part : parts) out += part;
  return out;
}

}  // namespace

LeadBytes CurrentLeadBytes() {
  LeadBytes lead{};
  for (unsigned c = 0; c < lead.size(); ++c)
    lead[c] = IsDBCSLeadByte(static_cast<unsigned char>(c));
  return lead;
}

Document::Document(std::string_view bytes, const LeadBytes& lead) : lead_(lead) {
  blocks_.emplace_back();
  std::size_t begin = 0;
  while (begin < bytes.size()) {
    std::size_t end = std::min(bytes.find_first_of("\r\n", begin), bytes.size());
    std::size_t next = end;
    if (next < bytes.size()) next += bytes.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    Add(MakeLine(std::string(bytes.substr(begin, next - begin)), end - begin));
    begin = next;
  }
}

// A line is a section header "[name]" (up to its last "]"), a key "name=value" (at its first
// "="), or anything else: blank, a comment (";"), text without "=".
Document::Line Document::MakeLine(std::string bytes, std::size_t textLength) const {
  Line line{std::move(bytes), textLength};
  std::string_view text(line.bytes.data(), textLength);
  std::size_t begin = 0, end = textLength;
  Trim(text, begin, end);
  if (begin == end || text[begin] == ';') return line;
  auto step = [&](std::size_t i) { return lead_[static_cast<unsigned char>(text[i])] ? 2 : 1; };
  if (text[begin] == '[') {
    std::size_t close = npos;
    for (std::size_t i = begin + 1; i < end; i += step(i))
      if (text[i] == ']') close = i;
    if (close == npos) return line;
    line.kind = Kind::Section;
    line.nameBegin = begin + 1;
    line.nameEnd = close;
    Trim(text, line.nameBegin, line.nameEnd);
    return line;
  }
  std::size_t equals = begin;
  while (equals < end && text[equals] != '=') equals += step(equals);
  if (equals >= end) return line;
  line.kind = Kind::Key;
  line.nameBegin = begin;
  line.nameEnd = equals;
  Trim(text, line.nameBegin, line.nameEnd);
  line.valueBegin = equals + 1;
  line.valueEnd = end;
  Trim(text, line.valueBegin, line.valueEnd);
  return line;
}

Document::Line Document::NewLine(std::string text) const {
  std::size_t length = text.size();
  text += "\r\n";
  return MakeLine(std::move(text), length);
}

// Whether a written line reads back as what was written: names or values with line breaks, a key
// with "=" or one that looks like a comment or a header do not.
bool Document::Reads(const Line& line, Kind kind, std::string_view name) const {
  std::string_view text(line.bytes.data(), line.textLength);
  return line.kind == kind && text.find_first_of("\r\n") == npos && Fold(line.name()) == Fold(name);
}

// ASCII letters fold to lower case; double-byte characters compare exactly.
std::string Document::Fold(std::string_view name) const {
  std::string folded(name);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(folded[i]);
    if (lead_[c]) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      folded[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
  return folded;
}

void Document::Add(Line line) {
  size_ += line.bytes.size();
  if (line.kind == Kind::Section) {
    sections_.try_emplace(Fold(line.name()), blocks_.size());
    blocks_.emplace_back();
  }
  Block& block = blocks_.back();
  if (line.kind == Kind::Key) {
    block.keys.try_emplace(Fold(line.name()), block.lines.size());
    block.lastKey = block.lines.size();
  }
  block.lines.push_back(std::move(line));
}

void Document::IndexKeys(Block& block) const {
  block.keys.clear();
  block.lastKey = 0;
  for (std::size_t i = 0; i < block.lines.size(); ++i) {
    if (block.lines[i].kind != Kind::Key) continue;
    block.keys.try_emplace(Fold(block.lines[i].name()), i);
    block.lastKey = i;
  }
}

void Document::IndexSections() {
  sections_.clear();
  for (std::size_t i = 1; i < blocks_.size(); ++i)
    sections_.try_emplace(Fold(blocks_[i].lines.front().name()), i);
}

const Document::Block* Document::FindBlock(std::string_view section) const {
  auto found = sections_.find(Fold(Trimmed(section)));
  return found == sections_.end() ? nullptr : &blocks_[found->second];
}

std::optional<std::string_view> Document::Find(std::string_view section,
                                               std::string_view key) const {
  const Block* block = FindBlock(section);
  if (!block) return std::nullopt;
  auto found = block->keys.find(Fold(Trimmed(key)));
  if (found == block->keys.end()) return std::nullopt;
  return block->lines[found->second].value();
}

std::string Document::SectionNames() const {
  std::string names;
  for (std::size_t i = 1; i < blocks_.size(); ++i) {
    std::string_view name = blocks_[i].lines.front().name();
    if (!name.empty()) (names += name) += '\0';
  }
  return names;
}

std::string Document::KeyNames(std::string_view section) const {
  std::string names;
  if (const Block* block = FindBlock(section)) {
    for (const Line& line : block->lines)
      if (line.kind == Kind::Key && !line.name().empty()) (names += line.name()) += '\0';
  }
  return names;
}

// Gives the file's last line a line end before anything is added after it.
std::string Document::EndLastLine() {
  for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
    if (block->lines.empty()) continue;
    Line& last = block->lines.back();
    if (last.bytes.size() > last.textLength) return {};
    last.bytes += "\r\n";
    size_ += 2;
    return "\r\n";
  }
  return {};
}

Edit Document::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trimmed(section);
  key = Trimmed(key);
  auto found = sections_.find(Fold(section));
  if (found == sections_.end()) return AppendSection(section, key, value);
  Block& block = blocks_[found->second];
  auto existing = block.keys.find(Fold(key));
  if (existing == block.keys.end())
    return Insert(found->second, block.lastKey + 1, NewLine(Concat({key, "=", value})), key);

  Line& line = block.lines[existing->second];
  if (line.value() == value) return {};
  Line replaced = NewLine(Concat({line.name(), "=", value}));  // the file's spelling of the name
  bool reads = Reads(replaced, Kind::Key, line.name());
  size_ = size_ - line.bytes.size() + replaced.bytes.size();
  line = std::move(replaced);
  return reads ? Edit{Change::Rewritten, {}} : Reparse();
}

Edit Document::Insert(std::size_t blockIndex, std::size_t position, Line line,
                      std::string_view key) {
  Block& block = blocks_[blockIndex];
  Edit edit{Change::Rewritten, {}};
  if (blockIndex + 1 == blocks_.size() && position == block.lines.size())
    edit = {Change::Appended, EndLastLine() + line.bytes};
  bool reads = Reads(line, Kind::Key, key);
  size_ += line.bytes.size();
  block.lines.insert(block.lines.begin() + static_cast<std::ptrdiff_t>(position), std::move(line));
  if (!reads) return Reparse();
  // Only lines that are not keys follow the last key line, so no indexed line moves.
  block.keys.try_emplace(Fold(key), position);
  block.lastKey = position;
  return edit;
}

Edit Document::AppendSection(std::string_view section, std::string_view key,
                             std::string_view value) {
  Edit edit{Change::Appended, EndLastLine()};
  Line header = NewLine(Concat({"[", section, "]"}));
  Line entry = NewLine(Concat({key, "=", value}));
  bool reads = Reads(header, Kind::Section, section) && Reads(entry, Kind::Key, key);
  edit.appended += header.bytes;
  edit.appended += entry.bytes;
  Add(std::move(header));
  Add(std::move(entry));
  return reads ? edit : Reparse();
}

Edit Document::DeleteKey(std::string_view section, std::string_view key) {
  auto found = sections_.find(Fold(Trimmed(section)));
  if (found == sections_.end()) return {};
  Block& block = blocks_[found->second];
  auto existing = block.keys.find(Fold(Trimmed(key)));
  if (existing == block.keys.end()) return {};
  size_ -= block.lines[existing->second].bytes.size();
  block.lines.erase(block.lines.begin() + static_cast<std::ptrdiff_t>(existing->second));
  IndexKeys(block);
  return {Change::Rewritten, {}};
}

Edit Document::DeleteSection(std::string_view section) {
  std::string folded = Fold(Trimmed(section));
  if (!sections_.contains(folded)) return {};
  auto named = [&](const Block& block) { return Fold(block.lines.front().name()) == folded; };
  for (auto block = blocks_.begin() + 1; block != blocks_.end(); ++block)
    if (named(*block))
      for (const Line& line : block->lines) size_ -= line.bytes.size();
  blocks_.erase(std::remove_if(blocks_.begin() + 1, blocks_.end(), named), blocks_.end());
  IndexSections();
  return {Change::Rewritten, {}};
}

std::string Document::Bytes() const {
  std::string bytes;
  bytes.reserve(size_);
  for (const Block& block : blocks_)
    for (const Line& line : block.lines) bytes += line.bytes;
  return bytes;
}

// What an edit wrote does not read back as written: the lines are taken as a fresh read of the
// file would take them, and the file is written whole.
Edit Document::Reparse() {
  *this = Document(Bytes(), lead_);
  return {Change::Rewritten, {}};
}

}  // namespace win::profile
