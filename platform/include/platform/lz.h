#pragma once
// The LZ expansion functions for files written by COMPRESS.EXE (the "SZDD" format, LZSS with a
// 4096-byte window). A file that is not compressed passes through them unchanged. Paths are ANSI
// Windows paths on the emulated system. Results below 0 are the LZERROR_* codes.
#include <string>
#include <string_view>

#include "platform/types.h"

namespace win {

constexpr int LZERROR_BADINHANDLE = -1;
constexpr int LZERROR_BADOUTHANDLE = -2;
constexpr int LZERROR_READ = -3;
constexpr int LZERROR_WRITE = -4;
constexpr int LZERROR_GLOBALLOC = -5;
constexpr int LZERROR_BADVALUE = -7;
constexpr int LZERROR_UNKNOWNALG = -8;

// Open styles (OpenFile's): reading is the default; sharing bits are accepted and have no effect.
constexpr WORD OF_READ = 0x0000;
constexpr WORD OF_WRITE = 0x0001;
constexpr WORD OF_READWRITE = 0x0002;
constexpr WORD OF_SHARE_EXCLUSIVE = 0x0010;
constexpr WORD OF_SHARE_DENY_WRITE = 0x0020;
constexpr WORD OF_CREATE = 0x1000;

// The name a compressed file expands to: the source path with the character that the compressor
// replaced by "_" at the end of the extension put back from the file's header, in the letter case
// of the name (the last letter of the file name decides). When the header stores no character, or
// one that cannot end a file name (a separator, wildcard, dot, space or control character), the "_"
// is dropped. A file that is not compressed keeps its name. Returns 1; on failure
// LZERROR_BADINHANDLE (the file cannot be read, last error set) or LZERROR_READ (a compressed
// header cut short), with expanded = source.
int GetExpandedNameA(std::string_view source, std::string& expanded);

// Opens a file for LZCopy: for reading (OF_READ, the default), or as the output (OF_CREATE). An
// output file appears only when a copy into it succeeds: the data goes to a temporary file beside
// it, which is renamed over the output at the end and removed when the copy fails or the handle is
// closed without one. Returns a handle (> 0) or LZERROR_BADINHANDLE with the last error set,
// LZERROR_READ for a compressed header cut short, LZERROR_UNKNOWNALG for a compression method other
// than "A", LZERROR_BADVALUE for a style without OF_CREATE that asks for writing.
int LZOpenFileA(std::string_view fileName, WORD style);

// Expands (or copies, when it is not compressed) the source into the output. The expanded data is
// the header's size: what the data holds beyond it is dropped. Returns the size of the output in
// bytes, or LZERROR_BADINHANDLE / LZERROR_BADOUTHANDLE for handles of the wrong kind, LZERROR_READ
// for data that cannot be read or is cut short (less than the header's size), LZERROR_WRITE when
// the output cannot be written, LZERROR_GLOBALLOC when memory runs out. The output keeps the
// source's modification time. An output handle takes one copy.
long LZCopy(int source, int destination);

// Releases a handle; an output that has not received a copy leaves nothing behind.
void LZClose(int handle);

}  // namespace win
