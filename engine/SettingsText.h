#pragma once

#include <string>

// The readings that every consumer applies to a stored settings text.

// A stored text is given when it is neither "ERROR" nor empty (exact comparison).
bool IsGiven(const std::string& text);

// Range tests include both ends.
bool InRange(double value, double low, double high);

// Leading-integer parse: white space, sign, digits; 0 without leading digits.
// Clamped to the range of int.
long long IntegerValue(const std::string& text);

// Leading-real parse: white space, sign, digits, point, exponent; 0 without a
// leading number. Independent of the process locale.
double RealValue(const std::string& text);

// Two decimals with a point, halves rounded away from zero: 0.125 gives "0.13".
std::string FormatFixed2(double value);

// A decimal integer.
std::string FormatInteger(long long value);

// A size in bytes: a plain decimal number (a point allowed) with an optional unit, k or kB
// (1000) or M or MB (1000000), letters in either case, blanks around; at least 1 byte once
// rounded. False for any other text.
bool ParseByteSize(const std::string& text, long long* bytes);
// As the settings file keeps it: "10M", "2500k", "4096".
std::string StoredByteSize(long long bytes);
// As a person reads it: "10 MB", "2.5 MB", "256 kB", "999 bytes".
std::string ShownByteSize(long long bytes);
