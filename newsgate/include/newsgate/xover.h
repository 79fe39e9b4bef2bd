#pragma once
// One overview line of an XOVER answer, cut into the fields the filters read, with its Date field
// brought to a fixed zone (UTC+9); and the word splitter the date and the command parser share.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace newsgate {

// Text that is not a valid number, date or time of day.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A time-zone word that is neither a known name nor a signed offset: "Invalid timezone format".
class ETimezoneError : public std::runtime_error {
 public:
  ETimezoneError();
};

// The record the filters read. The texts refer into a TXOVER (and the session's group name), which
// must outlive the check; an empty text still points at an empty string.
struct TOverviewInfo {
  std::int32_t bytes = 0;
  std::string_view group = "";
  std::string_view subject = "";
  std::string_view from = "";
  std::string_view xref = "";
};

struct TXOVER {
  std::int32_t bytes = 0;
  std::string subject;
  std::string from;
  std::string date;  // "yyyy/mm/dd hh:nn " in UTC+9
  std::string xref;  // as delivered

  // Fills the record from one overview line (without its line end). Throws the errors of
  // NormalizeDate; subject and from are then already assigned, bytes and xref are not.
  void Parse(std::string_view line);
  // Copies bytes and refers to subject, from and xref; the caller sets group.
  void FillInfo(TOverviewInfo& info) const;
};

// Words separated by runs of spaces and TABs; blanks at the front give one empty first word; a
// carriage return ends the text. Pads the list with empty words to minimum; returns the count.
int SplitWords(std::string_view text, std::vector<std::string>& list, int minimum);

// A Date header ("Thu, 03 Jul 2003 12:34:56 +0000") as "2003/07/03 21:34 " in UTC+9.
// Throws ETimezoneError or EConvertError.
std::string NormalizeDate(std::string_view text);

}  // namespace newsgate
