#include "newsgate/inifile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "newsgate/strconv.h"
#include "platform/paths.h"

namespace newsgate {

namespace {

// What Windows drops around names and values (a trailing Ctrl-Z is an old end-of-file mark).
constexpr std::string_view kIniBlanks = " \t\v\f\x1a";

std::string_view TrimIni(std::string_view text) {
  const size_t first = text.find_first_not_of(kIniBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kIniBlanks) - first + 1);
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool QuotedPair(std::string_view value) {
  return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Fold(a) == Fold(b);
}

// Text as one line of the file: line breaks become spaces.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

// A value as written: quoted when reading would trim it or strip its quotes.
std::string WrittenValue(std::string_view value) {
  std::string line = OneLine(value);
  const bool trimmed = !line.empty() && TrimIni(line).size() != line.size();
  return trimmed || QuotedPair(line) ? "\"" + line + "\"" : line;
}

[[noreturn]] void CannotOpen(std::string_view fileName) {
  throw EStoreError("Cannot open file \"" + std::string(fileName) + "\"");
}

void WriteFileAtomically(std::string_view fileName, const std::string& bytes) {
  const auto host = win::HostPath(fileName);
  if (!host || !host->has_filename()) CannotOpen(fileName);
  std::string temp = (host->parent_path() / ("." + host->filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) CannotOpen(fileName);
  // a replaced file keeps its permissions; a new one gets the usual ones rather than mkstemp's
  struct stat old;
  fchmod(fd, stat(host->c_str(), &old) == 0 ? old.st_mode & 07777 : 0644);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == bytes.size() && fsync(fd) == 0;
  if (close(fd) != 0 || !ok || std::rename(temp.c_str(), host->c_str()) != 0) {
    unlink(temp.c_str());
    throw EStoreError("Cannot write file \"" + std::string(fileName) + "\"");
  }
}

}  // namespace

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

TMemIniFile::TMemIniFile(std::string_view text) {
  size_t current = std::string_view::npos;  // the section being read
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimIni(text.substr(i, end - i));
    i = end + 1;
    if (!line.empty() && line.front() == '[') {
      const size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        AddSection(std::string(line.substr(1, close - 1)));
        current = sections_.size() - 1;
      }
      continue;
    }
    const size_t equals = line.find('=');
    if (current == std::string_view::npos || equals == std::string_view::npos) continue;
    std::string_view value = TrimIni(line.substr(equals + 1));
    if (QuotedPair(value)) value = value.substr(1, value.size() - 2);
    sections_[current].values.emplace_back(TrimIni(line.substr(0, equals)), value);
  }
}

TMemIniFile TMemIniFile::FromFile(std::string_view fileName) {
  const auto host = win::HostPath(fileName);
  const int fd = host ? open(host->c_str(), O_RDONLY | O_CLOEXEC) : -1;
  if (fd < 0) CannotOpen(fileName);
  std::string bytes;
  char buffer[65536];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(n));
  close(fd);
  if (n < 0) CannotOpen(fileName);  // a folder, or a read error
  return TMemIniFile(bytes);
}

void TMemIniFile::SaveToFile(std::string_view fileName) const {
  WriteFileAtomically(fileName, GetText());
}

std::string TMemIniFile::GetText() const {
  std::string text;
  for (const SectionData& section : sections_) {
    if (!text.empty()) text += "\r\n";
    text.append("[").append(OneLine(section.name)).append("]\r\n");
    for (const auto& [name, value] : section.values)
      text.append(OneLine(name)).append("=").append(WrittenValue(value)).append("\r\n");
  }
  return text;
}

TMemIniFile TMemIniFile::Section(int i) const {
  TMemIniFile one;
  one.AddSection(sections_.at(static_cast<size_t>(i)).name).values = sections_[i].values;
  return one;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const SectionData& section : sections_) names.push_back(section.name);
  return names;
}

const std::string* TMemIniFile::Find(std::string_view section, std::string_view ident) const {
  const auto it = index_.find(Fold(section));
  if (it == index_.end()) return nullptr;
  for (const auto& [name, value] : sections_[it->second].values)
    if (SameName(name, ident)) return &value;
  return nullptr;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident,
                                    std::string_view def) const {
  const std::string* value = Find(section, ident);
  return std::string(value ? std::string_view(*value) : def);
}

std::int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view ident,
                                      std::int32_t def) const {
  const std::string* value = Find(section, ident);
  return value ? StrToIntDef(*value, def) : def;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view ident,
                              std::string_view value) {
  const auto it = index_.find(Fold(section));
  SectionData& data = it != index_.end() ? sections_[it->second] : AddSection(std::string(section));
  for (auto& [name, old] : data.values) {
    if (SameName(name, ident)) {
      old = value;
      return;
    }
  }
  data.values.emplace_back(ident, value);
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view ident,
                               std::int32_t value) {
  WriteString(section, ident, std::to_string(value));
}

void TMemIniFile::EraseSection(std::string_view section) {
  std::erase_if(sections_, [&](const SectionData& s) { return SameName(s.name, section); });
  Reindex();
}

TMemIniFile::SectionData& TMemIniFile::AddSection(std::string name) {
  index_.try_emplace(Fold(name), sections_.size());
  sections_.push_back({std::move(name), {}});
  return sections_.back();
}

void TMemIniFile::Reindex() {
  index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) index_.try_emplace(Fold(sections_[i].name), i);
}

}  // namespace newsgate
