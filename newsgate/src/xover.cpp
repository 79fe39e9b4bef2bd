#include "newsgate/xover.h"

#include <array>

#include "newsgate/strconv.h"

namespace newsgate {

namespace {

constexpr int kFieldCount = 9;
constexpr int kDateWords = 5;
constexpr std::int64_t kMinutesPerDay = 24 * 60;
constexpr std::int64_t kZoneShift = 9 * 60;  // the output zone, UTC+9, in minutes

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Calls word(view) for every word of text as SplitWords cuts it and returns the number of words.
template <class Word>
int ForEachWord(std::string_view text, Word&& word) {
  int count = 0;
  size_t i = 0;
  while (i < text.size() && text[i] != '\r') {
    size_t end = i;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != '\r') ++end;
    word(text.substr(i, end - i));
    ++count;
    i = end;
    while (i < text.size() && IsBlank(text[i])) ++i;
  }
  return count;
}

std::string_view TrimControls(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

bool SameAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// A run of 1 to maxDigits decimal digits.
bool ReadDigits(std::string_view text, size_t maxDigits, int& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

[[noreturn]] void InvalidDateTime(std::string_view year, std::string_view month,
                                  std::string_view day, std::string_view time) {
  std::string text;
  text.append(year).append("/").append(month).append("/").append(day).append(" ").append(time);
  throw EConvertError("'" + text + "' is not a valid date and time");
}

// "year/month/day time" as minutes since 1970-01-01 00:00; the time is h:m or h:m:s. Years of one
// or two digits are read as 1950 to 2049.
std::int64_t ReadDateTime(std::string_view yearWord, std::string_view monthText,
                          std::string_view dayWord, std::string_view timeWord) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool ok = ReadDigits(yearWord, 4, year) && ReadDigits(monthText, 2, month) &&
            ReadDigits(dayWord, 2, day);
  if (ok && yearWord.size() <= 2) year += year < 50 ? 2000 : 1900;
  ok = ok && year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
  const size_t colon1 = timeWord.find(':');
  const size_t colon2 = colon1 == std::string_view::npos ? colon1 : timeWord.find(':', colon1 + 1);
  ok = ok && colon1 != std::string_view::npos && ReadDigits(timeWord.substr(0, colon1), 2, hour) &&
       ReadDigits(timeWord.substr(colon1 + 1, colon2 - colon1 - 1), 2, minute) &&
       (colon2 == std::string_view::npos || ReadDigits(timeWord.substr(colon2 + 1), 2, second)) &&
       hour < 24 && minute < 60 && second < 60;
  if (!ok) InvalidDateTime(yearWord, monthText, dayWord, timeWord);
  return DaysFromCivil(year, month, day) * kMinutesPerDay + hour * 60 + minute;
}

// The shift in minutes that brings a time in the given zone to UTC+9.
std::int64_t ZoneShift(std::string_view zone) {
  if (zone.empty() || zone == "+0900" || zone == "+900") return 0;
  if (zone == "GMT" || zone == "+0000") return kZoneShift;
  if (zone.front() != '+' && zone.front() != '-') throw ETimezoneError();
  std::int32_t n;
  if (!TryStrToInt(zone.substr(1), n))
    throw EConvertError("'" + std::string(zone.substr(1)) + "' is not a valid integer value");
  const std::int32_t hours = n / 100, minutes = n % 100;
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
    throw EConvertError("Invalid argument to time encode");
  const std::int64_t offset = hours * 60 + minutes;
  return (zone.front() == '+' ? -offset : offset) + kZoneShift;
}

void PutDigits(char* out, int value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
}

void NormalizeDateInto(std::string_view text, std::string& out) {
  if (const size_t comma = text.find(','); comma != std::string_view::npos)
    text = TrimControls(text.substr(comma + 1));
  std::array<std::string_view, kDateWords> words{"", "", "", "", ""};
  int count = ForEachWord(text, [&, n = 0](std::string_view word) mutable {
    if (n < kDateWords) words[n++] = word;
  });
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static constexpr std::string_view kMonthNumbers[] = {"1", "2", "3", "4",  "5",  "6",
                                                       "7", "8", "9", "10", "11", "12"};
  std::string_view month = words[1];
  for (int i = 0; i < 12; ++i) {
    if (SameAsciiNoCase(month, kMonths[i])) {
      month = kMonthNumbers[i];
      break;
    }
  }
  std::int64_t minutes = ReadDateTime(words[2], month, words[0], words[3]);
  if (count <= kDateWords) minutes += ZoneShift(words[4]);

  std::int64_t days = minutes / kMinutesPerDay, rest = minutes % kMinutesPerDay;
  if (rest < 0) rest += kMinutesPerDay, --days;
  int y, m, d;
  CivilFromDays(days, y, m, d);
  if (y < 1 || y > 9999) throw EConvertError("Invalid argument to date encode");
  char buffer[] = "yyyy/mm/dd hh:nn ";
  PutDigits(buffer, y, 4);
  PutDigits(buffer + 5, m, 2);
  PutDigits(buffer + 8, d, 2);
  PutDigits(buffer + 11, static_cast<int>(rest / 60), 2);
  PutDigits(buffer + 14, static_cast<int>(rest % 60), 2);
  out.assign(buffer, sizeof buffer - 1);
}

}  // namespace

ETimezoneError::ETimezoneError() : std::runtime_error("Invalid timezone format") {}

int SplitWords(std::string_view text, std::vector<std::string>& list, int minimum) {
  list.clear();
  ForEachWord(text, [&](std::string_view word) { list.emplace_back(word); });
  if (static_cast<int>(list.size()) < minimum) list.resize(minimum);
  return static_cast<int>(list.size());
}

std::string NormalizeDate(std::string_view text) {
  std::string out;
  NormalizeDateInto(text, out);
  return out;
}

void TXOVER::Parse(std::string_view line) {
  std::array<std::string_view, kFieldCount> field{"", "", "", "", "", "", "", "", ""};
  size_t start = 0;
  for (int i = 0; i < kFieldCount && start <= line.size(); ++i) {
    const size_t tab = line.find('\t', start);
    const size_t end = tab == std::string_view::npos ? line.size() : tab;
    field[i] = line.substr(start, end - start);
    start = end + 1;
  }
  subject.assign(field[1]);
  from.assign(field[2]);
  NormalizeDateInto(field[3], date);
  bytes = StrToIntDef(field[6], 0);
  xref.assign(field[8]);
}

void TXOVER::FillInfo(TOverviewInfo& info) const {
  info.bytes = bytes;
  info.subject = subject;
  info.from = from;
  info.xref = xref;
}

}  // namespace newsgate
