// Numbers the user types into an edit. The handheld's Russian keyboard gives a decimal comma, the
// English one a point: both are the decimal mark. A text is read whole or not at all, so no edit
// ever goes on with another number than the one it shows ("60,5" is never 60, "1,5x" never 1.5);
// the caller refuses what is not read (a beep, the old value kept).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// An optional sign, digits with at most one decimal mark (a point or a comma) and at least one
// digit, blanks around it. No exponent, no "inf" or "nan", no thousands separator: nobody types
// them into a length, and a comma between digit groups would read as a fraction. False for
// anything else, the empty text included; `value` is then left as it was.
bool ReadTypedNumber(std::wstring_view text, double* value);
bool ReadTypedNumber(std::string_view text, double* value);

// A whole number the same way: an optional sign, digits, blanks around, within int32. A decimal
// mark is refused rather than cut, even "5,0".
bool ReadTypedInt(std::wstring_view text, int32_t* value);
bool ReadTypedInt(std::string_view text, int32_t* value);

// The typed number in the form the settings store and the readers of the C locale take: the
// comma made a point, blanks dropped ("0,5 " gives "0.5"). Empty when the text is not a number.
std::string CanonicalTypedNumber(std::wstring_view text);
std::string CanonicalTypedNumber(std::string_view text);
