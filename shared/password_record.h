// The byte format of the password file: one record, a double quote, the password's bytes in the
// ANSI code page, a double quote, CR LF. Pure functions on bytes; no file or code page access.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pw {

// The record for `text`: quote, text as it is, quote, CR LF. The caller makes sure `text` holds
// no quote, CR or LF (WriteStoredPassword in password_file.h refuses such text); this function
// does not escape.
std::string FormatRecord(std::string_view text);

// The first field of a password file, by the reading rules:
//  1. Spaces and tabs before the field are skipped (only on the first line).
//  2. A field that begins with a double quote runs to the next double quote; commas and spaces
//     inside belong to it. A quote that is not closed on its line runs to the end of that line.
//  3. Otherwise the field runs to the first comma or line end (CR or LF), with leading and
//     trailing spaces and tabs dropped.
//  4. An empty first line yields the empty string.
//  5. nullopt when the input ends before any field begins: an empty file, or one holding only
//     spaces and tabs with no line end.
// Everything after the first field is ignored. Safe on code page 932 text: no trail byte of a
// double-byte character equals a quote, comma, space, tab, CR or LF.
std::optional<std::string> ParseFirstField(std::string_view bytes);

// What makes bytes other than ANSI text, as a text editor may have saved the file: a byte-order
// mark of UTF-8 or UTF-16, or a NUL byte (UTF-16 without a mark has one in each ASCII character).
// The reader would take such a file for a password that no keystrokes match.
enum class NotAnsiText { kNone, kUtf8Mark, kUtf16Mark, kNulByte };
NotAnsiText CheckAnsiText(std::string_view bytes);

}  // namespace pw
