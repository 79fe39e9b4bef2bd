// The article conversion: text relayed unchanged, yEnc blocks re-sent as uuencode, and the result
// read back by real uudecode and uudeview.
#include "newsgate/Yenc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace newsgate {
namespace {

using Lines = std::vector<std::string>;

// yEnc characters of bytes: NUL, LF, CR and "=" escaped, or every one.
std::string YEncode(std::string_view bytes, bool escapeAll = false) {
  std::string text;
  for (char b : bytes) {
    auto e = static_cast<unsigned char>(b + 42);
    if (escapeAll || e == 0 || e == '\n' || e == '\r' || e == '=') {
      text += '=';
      e = static_cast<unsigned char>(e + 64);
    }
    text += static_cast<char>(e);
  }
  return text;
}

// A line as the server sends it: a "." in front of a line that starts with one.
std::string Stuff(std::string line) {
  if (line.starts_with(".")) line.insert(0, 1, '.');
  return line;
}

// One yEnc data line as the server sends it.
std::string Y(std::string_view bytes, bool escapeAll = false) {
  return Stuff(YEncode(bytes, escapeAll));
}

// The data of a yEnc post in lines of `length` characters or a little more, as the server sends
// them.
Lines YLines(std::string_view bytes, std::size_t length = 128) {
  Lines lines(1);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (lines.back().size() >= length) lines.emplace_back();
    lines.back() += YEncode(bytes.substr(i, 1));
  }
  if (lines.back().empty()) lines.pop_back();
  for (std::string& line : lines) line = Stuff(line);
  return lines;
}

std::string Join(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// What the newsreader receives for an answer, the relay's terminating "." not included.
std::string Convert(const Lines& lines, bool inBody = true) {
  TYencConverter converter;
  converter.Start(inBody);
  std::string out;
  for (const std::string& line : lines) converter.Feed(line, out);
  converter.Finish(out);
  return out;
}

struct ConversionCase {
  const char* name;
  bool inBody;
  Lines input;
  Lines expected;
};

TEST(YencConverterTest, ConvertsBlocksAndRelaysText) {
  const std::string cat = Y("Cat");
  const std::vector<ConversionCase> cases = {
      {"single part",
       true,
       {"=ybegin line=128 size=3 name=cat.txt", cat, "=yend size=3 crc32=00000000"},
       {"begin 644 cat.txt", "#0V%T", "`", "end"}},
      {"name with blanks",
       true,
       {"=ybegin part=1 line=128 size=3 name=my cat.txt", cat, "=yend size=3"},
       {"begin 644 my cat.txt", "#0V%T", "`", "end"}},
      {"first of three parts",
       true,
       {"=ybegin part=1 total=3 line=128 size=9 name=cat.txt", "=ypart begin=1 end=3", cat,
        "=yend size=3 part=1"},
       {"begin 644 cat.txt", "#0V%T"}},
      {"middle part",
       true,
       {"=ybegin part=2 total=3 line=128 size=9 name=cat.txt", "=ypart begin=4 end=6", cat,
        "=yend size=3 part=2"},
       {"#0V%T"}},
      {"last part",
       true,
       {"=ybegin part=3 total=3 line=128 size=9 name=cat.txt", "=ypart begin=7 end=9", cat,
        "=yend size=3 part=3"},
       {"#0V%T", "`", "end"}},
      {"text around the block",
       true,
       {"Hello", "=ybegin line=128 size=3 name=cat.txt", cat, "=yend size=3", "..bye", ""},
       {"Hello", "begin 644 cat.txt", "#0V%T", "`", "end", "..bye", ""}},
      {"two blocks",
       true,
       {"=ybegin line=128 size=3 name=a", cat, "=yend size=3", "between",
        "=ybegin line=128 size=2 name=b", Y("AA"), "=yend size=2"},
       {"begin 644 a", "#0V%T", "`", "end", "between", "begin 644 b", "\"04$`", "`", "end"}},
      {"no =yend: closed at the end",
       true,
       {"=ybegin line=128 size=3 name=cat.txt", cat},
       {"begin 644 cat.txt", "#0V%T", "`", "end"}},
      {"ended right after =ybegin", true, {"=ybegin size=0 name=e"}, {"begin 644 e", "`", "end"}},
      {"=ybegin without name or size",
       true,
       {"=ybegin line=128", cat, "=yend"},
       {"begin 644 ", "#0V%T", "`", "end"}},
      {"upper case: converted, header not read",
       true,
       {"=YBEGIN line=128 size=3 name=cat.txt", cat, "=yend size=3"},
       {"begin 644 ", "#0V%T", "`", "end"}},
      {"=ypart not right after =ybegin is data",
       true,
       {"=ybegin part=2 size=9 name=n", "", "=ypart begin=4 end=6"},
       {"begin 644 n", "1#T8W2$KV.#L]/T3*]CM$.LP`", "`", "end"}},
      {"header of ARTICLE is not converted",
       false,
       {"Subject: x", "=ybegin size=3 name=h", "", "=ybegin size=3 name=cat.txt", cat, "=yend"},
       {"Subject: x", "=ybegin size=3 name=h", "", "begin 644 cat.txt", "#0V%T", "`", "end"}},
      {"uuencoded block: the rest passes unchanged",
       true,
       {"begin 644 file.txt", "#0V%T", "`", "end", "=ybegin size=3 name=cat.txt", cat},
       {"begin 644 file.txt", "#0V%T", "`", "end", "=ybegin size=3 name=cat.txt", cat}},
      {"stuffed data line",
       true,
       {"=ybegin size=1 name=dot", "..", "=yend"},
       {"begin 644 dot", "!!```", "`", "end"}},
      {"remainder line starting with a dot is stuffed",
       true,
       {"=ybegin size=14 name=d", Y("0123456789abcd"), "=yend"},
       {"begin 644 d", "..,#$R,S0U-C<X.6%B8V0`", "`", "end"}},
  };
  for (const ConversionCase& c : cases)
    EXPECT_EQ(Convert(c.input, c.inBody), Join(c.expected)) << c.name;
}

// Lengths of the uuencoded lines sent for a single part of n bytes.
std::vector<std::size_t> LineLengths(std::size_t n) {
  std::string bytes(n, 'x');
  Lines input = {"=ybegin line=128 size=" + std::to_string(n) + " name=f"};
  for (const std::string& line : YLines(bytes)) input.push_back(line);
  input.push_back("=yend");
  std::istringstream out(Convert(input));
  std::vector<std::size_t> lengths;
  for (std::string line; std::getline(out, line);)
    if (!line.starts_with("begin") && line != "end\r") lengths.push_back(line.size() - 1);
  return lengths;
}

TEST(YencConverterTest, SendsFullLinesAndOneLineOfTheRest) {
  using Sizes = std::vector<std::size_t>;
  EXPECT_EQ(LineLengths(100), (Sizes{61, 61, 1 + 16, 1}));
  EXPECT_EQ(LineLengths(1), (Sizes{5, 1}));
  EXPECT_EQ(LineLengths(2), (Sizes{5, 1}));
  EXPECT_EQ(LineLengths(0), (Sizes{1}));
  EXPECT_EQ(LineLengths(90), (Sizes{61, 61, 1}));  // no empty line of the rest before the end
}

TEST(YencConverterTest, DecodesEscapesAndStopsAtBadOnes) {
  struct Case {
    std::string line;
    const char* uu;
  };
  const Case cases[] = {
      {Y("Cat", true), "#0V%T"},             // every character escaped
      {Y("\xd6\xe0\xe3\x13"), "$UN#C$P``"},  // bytes that encode to NUL, LF, CR and "="
      {Y("AA") + "=", "\"04$`"},             // "=" at the end yields nothing
      {Y("A") + std::string(1, '\0') + Y("A"), "!00``"},  // NUL ends the line
      {Y("A") + "\r" + Y("A"), "!00``"},
      {Y("A") + "=\n" + Y("A"), "!00``"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Convert({"=ybegin name=x", c.line, "=yend"}), Join({"begin 644 x", c.uu, "`", "end"}))
        << c.uu;
}

TEST(YencHeaderTest, ParsesKeysAndValues) {
  TYencParams params;
  ParseYencHeader("=ybegin part=1 line=128 size=500 name=my file.bin", params);
  EXPECT_EQ(params.Value("part"), "1");
  EXPECT_EQ(params.Value("LINE"), "128");
  EXPECT_EQ(params.Value("size"), "500");
  EXPECT_EQ(params.Value("name"), "my file.bin");

  ParseYencHeader("=ypart\tSIZE=600  name=a=b.bin  ", params);  // replaces, keeps the rest
  EXPECT_EQ(params.Value("size"), "600");
  EXPECT_EQ(params.Value("name"), "a=b.bin");
  EXPECT_EQ(params.Value("line"), "128");

  ParseYencHeader("=ypart size= name=x", params);  // an empty value removes the key
  EXPECT_EQ(params.Value("size"), "");
  EXPECT_EQ(params.Value("name"), "x");

  for (std::string_view other : {"=YBEGIN name=y", "=yend name=y", "text name=y", "=ybegin"})
    ParseYencHeader(other, params);
  EXPECT_EQ(params.Value("name"), "x");
}

TEST(YencHeaderTest, RecognisesBeginLines) {
  struct Case {
    std::string_view line;
    bool uu, yenc;
  };
  const Case cases[] = {
      {"begin 644 file.txt", true, false},
      {"BEGIN\t \t0644\tf", true, false},
      {"begin 644 a", true, false},
      {"begin 644 ", false, false},           // no file name
      {"begin 644\tfile.txt", false, false},  // three digits need a space
      {"begin 6448 file.txt", false, false},
      {"begin 64 file.txt", false, false},
      {"begin 648 file.txt", false, false},
      {"begins 644 file.txt", false, false},
      {"=ybegin", false, true},
      {"=YBegin line=128", false, true},
      {"=ybegi", false, false},
      {" =ybegin", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsUuBegin(c.line), c.uu) << c.line;
    EXPECT_EQ(IsYencBegin(c.line), c.yenc) << c.line;
  }
}

// A folder of its own, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "yenc.XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The article as a newsreader saves it: LF lines, without stuffing and without the final ".".
std::string Saved(std::string_view answer) {
  std::string text;
  while (!answer.empty()) {
    std::size_t end = answer.find("\r\n");
    std::string_view line = answer.substr(0, end);
    answer.remove_prefix(end == answer.npos ? answer.size() : end + 2);
    if (line.starts_with(".")) line.remove_prefix(1);
    text.append(line).append("\n");
  }
  return text;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(n, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

// One article of a post of `total` parts (numbered from 1) as the newsreader saves it, with text
// around the attachment or only its lines.
std::string PartArticle(const std::string& file, std::size_t begin, std::size_t end, int part,
                        int total, bool withText, std::size_t lineLength) {
  const std::string n = std::to_string(part), count = std::to_string(total);
  Lines lines;
  if (withText)
    lines = {"From: poster@example.org", "Subject: \"data.bin\" yEnc (" + n + "/" + count + ")",
             "Message-ID: <part" + n + "@example.org>", "", "Some text before the attachment."};
  std::string partKeys = total > 1 ? "part=" + n + " total=" + count + " " : "";
  lines.push_back("=ybegin " + partKeys + "line=128 size=" + std::to_string(file.size()) +
                  " name=data.bin");
  if (total > 1)
    lines.push_back("=ypart begin=" + std::to_string(begin + 1) + " end=" + std::to_string(end));
  for (const std::string& line :
       YLines(std::string_view(file).substr(begin, end - begin), lineLength))
    lines.push_back(line);
  lines.push_back("=yend size=" + std::to_string(end - begin));
  if (withText) lines.insert(lines.end(), {"-- ", "..signature"});
  return Saved(Convert(lines, !withText));
}

int Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

// Each case cuts the file into parts at the given offsets. uudeview joins the saved articles;
// uudecode reads the attachment's lines of all parts in order.
TEST(YencPeerTest, DecodersRestoreTheFile) {
  struct Case {
    const char* name;
    std::size_t size;
    std::vector<std::size_t> cuts;
    std::size_t lineLength = 128;
  };
  const Case cases[] = {
      {"single part", 100014, {}},
      {"single part, multiple of 45", 45 * 2000, {}},
      {"single part in long lines", 100000, {}, 20000},
      {"three parts", 150000, {45 * 1000, 100001}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = RandomBytes(c.size, static_cast<unsigned>(c.size));
    std::vector<std::size_t> bounds = {0};
    bounds.insert(bounds.end(), c.cuts.begin(), c.cuts.end());
    bounds.push_back(file.size());
    const int total = static_cast<int>(bounds.size()) - 1;

    TempDir dir;
    std::string articles, bodies;
    for (int part = 1; part <= total; ++part) {
      std::string name = "article" + std::to_string(part);
      WriteFile(dir.path() / name,
                PartArticle(file, bounds[part - 1], bounds[part], part, total, true, c.lineLength));
      articles += " " + name;
      bodies += PartArticle(file, bounds[part - 1], bounds[part], part, total, false, c.lineLength);
    }
    WriteFile(dir.path() / "bodies", bodies);
    const std::string cd = "cd '" + dir.path().string() + "' && ";

    ASSERT_EQ(Shell(cd + "mkdir out && uudeview -i -o -q -p out/" + articles), 0);
    EXPECT_TRUE(ReadFile(dir.path() / "out" / "data.bin") == file) << "uudeview";
    ASSERT_EQ(Shell(cd + "uudecode -o decoded bodies"), 0);
    EXPECT_TRUE(ReadFile(dir.path() / "decoded") == file) << "uudecode";
  }
}

}  // namespace
}  // namespace newsgate
