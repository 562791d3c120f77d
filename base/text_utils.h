// Text and path utilities shared by every subsystem: conversion between the program's 8-bit text
// (in the program code page) and the platform's wide text, path splitting, small parsers for
// delimited lines and functions on number texts.
//
// Every function that writes a caller's buffer takes the buffer's size in characters (256 by
// default, the size the program's path and line buffers have) and never writes past it; a text
// that does not fit is cut, always at a whole character and always terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/win_types.h"

// ---- the program code page ----

// The one program-wide code page of 8-bit text: 1251 until a language file sets another.
UINT GetProgramCodePage();
// Takes a new program code page (0 is the layer's system page) when the layer can convert with
// it. Returns false and keeps the previous page otherwise: a page nobody can convert with would
// turn every text into an empty one. The page serves texts only, never file names.
bool SetProgramCodePage(UINT codePage);

// Converts `length` bytes of `src` (taken as a 16-bit signed count; a negative count converts
// nothing) with the program code page into `dst`, which has room for `capacity` characters with
// the terminator. The count is cut to capacity - 1; only whole characters are converted, and the
// terminator follows the last one. Returns the number of wide characters written.
int AnsiToWide(wchar_t* dst, const char* src, int length, size_t capacity = 256);
// The reverse: `length` wide characters into at most capacity - 1 bytes of whole characters,
// no default character, terminated. Returns the number of bytes written.
int WideToAnsi(char* dst, const wchar_t* src, int length, size_t capacity = 256);

// Whole-text forms for texts of any length (settings values, language texts, file contents).
std::wstring AnsiToWideString(std::string_view src);
std::string WideToAnsiString(std::wstring_view src);

// ---- 8-bit file paths ----
//
// An 8-bit path is in one fixed page, the device's system page, whatever the language file
// says: the program folder's name is made before the language is read, and the settings and
// projects keep paths across a change of language. Converted with the language's page, a
// Cyrillic folder would name another folder under a Western language, and nothing would load.
inline constexpr UINT kPathCodePage = 1251;
std::wstring PathToWide(std::string_view path);
std::string WideToPath(std::wstring_view path);
// False, `out` untouched, when a character of the path has no byte in the path page (the 8-bit
// form would name another file, or none).
bool WideToPathExact(std::wstring_view path, std::string* out);

// ---- paths: '\' is the device's separator; the 8-bit forms also accept '/' ----

// Everything up to and including the last '\' or '/'; empty when there is neither.
char* GetDirPart(char* dst, const char* path, size_t size = 256);
// Everything up to and including the last '\' (only '\': wide paths come from the platform).
wchar_t* GetDirPartW(wchar_t* dst, const wchar_t* path, size_t size = 256);
// Everything after the last '\' or '/'; the whole path when there is neither.
char* GetFileNamePart(char* dst, const char* path, size_t size = 256);
// From the file name's last '.' (included) to the end; empty when the file name has no dot. A dot
// in a folder name is not an extension.
char* GetExtension(char* dst, const char* path, size_t size = 256);
wchar_t* GetExtensionW(wchar_t* dst, const wchar_t* path, size_t size = 256);
// Cuts the path in place at the file name's last '.'; a file name without a dot is unchanged.
void StripExtension(char* path);
void StripExtensionW(wchar_t* path);
// True when the platform reports attributes for the 8-bit path (path page). A path longer than 255 bytes is
// no device path and never exists (it is not cut into another file's name).
bool FileExists(const char* path);
// True when the platform reports attributes for the path less one trailing '\'.
bool PathExistsW(const wchar_t* path);
// Length in bytes of an open file, found by seeking to its end; the position is restored.
// -1 when the file cannot seek.
long GetFileLength(FILE* file);
// A free name for a backup of `path`: the path itself when no such file exists, else
// "<path without extension>_<tag><n><extension>" for the first n from 2 whose file does not
// exist. False (and `out` empty) when no such name fits `size`.
bool MakeBackupName(const char* path, char* out, const char* tag, size_t size = 256);

// ---- texts ----

// In place: every tab becomes a space, then every run of spaces one space. Returns the length.
int SqueezeSpaces(char* text);
// Escaping of one-line values (settings and language files): a line feed is written as "\n", a
// tab as "\t", a carriage return as "\\x0D", and a backslash is doubled when the next character
// of the value is 'n', 't', a backslash, a line feed, a tab or a carriage return, so that every
// value reads back unchanged. Unescaping turns "\\x0D" into a carriage return, "\\" into one
// backslash and "\n", "\t" into a line feed and a tab; any other backslash stays.
std::string EscapeValue(std::string_view value);
std::string UnescapeValue(std::string_view text);
// Buffer forms of the two; an escape pair is never cut in half.
char* EscapeText(char* dst, const char* src, size_t size = 256);
char* UnescapeText(char* dst, const char* src, size_t size = 256);

// Position of the n-th occurrence of `ch`, searching from position 1 (the first character is
// never counted); -1 when there are fewer.
int FindNthChar(char ch, int n, const char* text);
// Stores the positions (from position 1 on) of up to `n` occurrences of `ch`; when fewer are
// found, the text length follows the last one (so `positions` needs room for n entries). Returns
// how many were found, -1 when n < 1.
int FindCharPositions(char ch, int n, const char* text, int* positions);
// Copies the characters strictly between positions `from` and `to` (both exclusive): the field
// between two separators found by FindCharPositions. Empty when to <= from + 1; positions past
// the end of the text are taken as its end.
char* CopyField(char* dst, const char* text, int from, int to, size_t size = 256);
// A number text of two or more characters loses trailing '0' characters while more than one
// character is left: 12.500 gives 12.5, 3.000 gives "3." and 00 gives 0.
void TrimTrailingZeros(char* text);
void TrimTrailingZerosW(wchar_t* text);
// Adds `step` to the run of digits that ends the text (an empty run counts as 0), on the digits
// themselves so no length overflows; a run that began with '0' keeps its width (A009 + 1 gives
// A010, A09 + 5 gives A14, A000 + 1 gives A001). An empty text becomes the step. False, and the
// text unchanged, when the result does not fit `size`.
bool IncrementTrailingNumber(char* text, int step, size_t size = 256);
// `list` holds entries "key:value;" (decimal integers); text after the last ';' is ignored.
// Returns the value of the first entry whose key is `key` (0 when there is none) and appends
// every other entry, with its ';', to `rest`; an entry without ':' passes unchanged.
int TakeValueFromList(int key, const char* list, std::string& rest);
// Appends "key:value;". A list longer than 100 characters first loses its two oldest entries,
// and then further oldest ones until it fits the 255 characters a settings value is read with.
void PushValueList(int key, int value, std::string& list);
// 16-bit XOR of the big-endian words formed by bytes 0-1, 2-3, ...; an odd last byte counts as
// the high byte of a word whose low byte is 0.
uint16_t XorChecksum16(const uint8_t* bytes, size_t length);
// Truncates toward zero and raises by one when the value minus that integer is one half or more:
// 2.5 gives 3, 2.2 gives 2, -2.7 gives -2. Values outside the int32 range saturate.
int RoundHalfUp(double value);
// Copies a list of wide strings that ends with an empty string, the closing one included, into
// `size` characters: strings that do not fit are left off whole. Returns the characters written
// (both terminators of the end included).
size_t CopyMultiString(wchar_t* dst, const wchar_t* src, size_t size = 256);
