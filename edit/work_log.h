// The per-map work log: a plain text file beside the map (its path with the extension ".gtl")
// in named sections, a header line "[NAME]" followed by the section's entries, one a line.
// The program only appends: every line goes in through AppendToSection, which puts it after the
// last entry of its section, or adds the section at the end.
//
// Invariants:
// - The log is never written in place: the new text goes to "<log>.tmp" (opened "w", so a
//   stale one is replaced) and is then renamed over the log, the old log kept as "<log>.old"
//   until the new one stands. A failure leaves the log as it was and removes the temporary.
// - A ".tmp" without a log beside it is what an earlier failed rename left: it becomes the log
//   before the insertion, so its lines are not lost.
// - Lines are read whole, of any length and any bytes; a line that is the header of the
//   section is never taken for the start of the next one.
#pragma once

#include <cstdint>
#include <string>

class TMdmMap;

namespace work_log {

enum : int { kOk = 0, kBadPath = 1, kNotWritten = 2 };
// The two sections the program writes: the receiver's recordings and the constructions.
inline constexpr char kWorkTime[] = "WORKTIME";
inline constexpr char kTools[] = "TOOLS";

// The log path of a map path: the extension (from the last dot after the last separator) cut,
// ".gtl" appended.
std::string LogPathOf(const char* mapPath);
// Inserts `text` (no line feed inside) as the last line of section `section`. kBadPath for an
// empty path or one over 255 characters, kNotWritten when the log could not be replaced.
int AppendToSection(const std::string& logPath, const char* section, const std::string& text);
// The new log text: `content` with `line` inserted into `section` (pure; the insertion rule).
std::string InsertIntoSection(const std::string& content, const char* section,
                              const std::string& line);
// The tag by which records name an object of `map`: its text attribute 10, "_", attribute 9.
// A missing 10 becomes "tools", a missing 9 the stamp yymmddhhmmss of the system time (UTC);
// both defaults are stored into the object, so later records name it alike. False, `out`
// untouched, without a map or object.
bool MakeObjectTag(TMdmMap* map, uint16_t object, std::string* out);

}  // namespace work_log
