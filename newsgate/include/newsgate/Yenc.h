#pragma once
// The article conversion of ARTICLE and BODY answers: text passes unchanged, and a yEnc-encoded
// attachment is decoded on the fly and handed on as uuencode, so that a newsreader without yEnc
// support can save it. A multi-part yEnc post (one article per part) becomes a multi-part
// uuencoded post: the first part carries the "begin" line, the last part the end lines.
//
// The converter streams: it keeps fewer than 45 decoded bytes between lines, whatever the size of
// the part or the article.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace newsgate {

enum TArticlePhase {
  apText = 0,     // plain text, watched for a uuencode or yEnc start
  apUuBlock = 1,  // a uuencoded block was seen: the rest of the article passes unchanged
  apYenc = 2,     // inside yEnc data
};

// The key/value pairs of "=ybegin" and "=ypart" lines. Keys compare without regard to letter
// case; a later value replaces an earlier one, and an empty value removes the key.
class TYencParams {
 public:
  void Set(std::string_view key, std::string_view value);
  // The value of key, empty when absent.
  std::string_view Value(std::string_view key) const;

 private:
  std::vector<std::pair<std::string, std::string>> items_;
};

// At least 7 characters whose first 7, in lower case, are "=ybegin".
bool IsYencBegin(std::string_view line);
// "begin", a blank, a 3- or 4-digit octal mode, a blank and a file name.
bool IsUuBegin(std::string_view line);
// Adds the pairs of a line that starts with "=ybegin" or "=ypart" (exact case) to params; other
// lines leave it unchanged. A value runs up to the last blank before the next "=", so the last
// one (normally "name") may hold blanks.
void ParseYencHeader(std::string_view line, TYencParams& params);
// One uuencoded line of n bytes (0 to 45), without CR LF: 1 + 4 * ceil(n / 3) characters.
std::string UuEncodeLine(const unsigned char* bytes, std::size_t n);

// One article answer at a time. The relay feeds the lines as the server sent them: dot-stuffed,
// without CR LF, and without the terminating "." line, which it sends itself after Finish. So text
// passes without being unstuffed and stuffed again, and the relay keeps its own end detection.
// Whatever the newsreader gets for a line is appended to out: dot-stuffed lines, each with CR LF.
//
// A yEnc block ends at its "=yend" line (which is not sent) or at the end of the article; the
// text after it passes on, and a later "=ybegin" starts the next block.
class TYencConverter {
 public:
  // A new answer: ARTICLE starts in its header (inBody false), BODY in the body.
  void Start(bool inBody);
  void Feed(std::string_view line, std::string& out);
  // Takes a line that passes unchanged as Feed would, and returns true: the relay then sends it
  // as it came. False, taking nothing, for a line that Feed converts: a "=ybegin" line of the
  // body, and every line inside yEnc data.
  bool TakeUnchanged(std::string_view line);
  // The article has ended: closes an open yEnc block.
  void Finish(std::string& out);
  TArticlePhase ArticlePhase() const { return phase_; }

 private:
  static constexpr std::size_t kLineBytes = 45;                 // bytes per uuencoded line
  static constexpr std::size_t kDecodedSize = kLineBytes * 96;  // decoded per round
  static constexpr std::size_t kEncodedLineSize = 1 + 60 + 2;   // "M", 15 groups, CR LF

  void BeginBlock(std::string_view line);
  void TakePartLine(std::string_view line, std::string& out);
  void DecodeLine(std::string_view line, std::string& out);
  void EncodeFullLines(std::string& out);
  void CloseBlock(std::string& out);

  TArticlePhase phase_ = apText;
  bool InBody = true;
  bool UuTrailer = false;     // this block is a single or last part: the end lines are due
  bool partLineDue_ = false;  // the line after "=ybegin" may be its "=ypart" line
  TYencParams params_;        // of the "=ybegin" line and then its "=ypart" line
  std::string header_;        // the "begin" line still to send, or empty
  std::string size_;          // the "size" value of "=ybegin"
  std::size_t DecodedCount = 0;
  unsigned char Decoded[kDecodedSize];  // decoded bytes not yet sent as uuencode
};

}  // namespace newsgate
