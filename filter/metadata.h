// Document properties of a workbook package: the core-properties part read into eight fixed
// fields and handed to the host as name/value items (ReadMetadataItems in filter/xlxfilter.h).
//
// ReadMetadataItems(request) returns:
//   -13  null request, path, item list or prepare callback, or no item array after preparing
//   -14  the file cannot be opened
//   the sniffer's code (-7 unreadable start or compound file, -9 not a package) for anything
//   but a zip package or a password-protected one
//   the decryption step's code for a protected package it cannot open (-912 wrong password,
//   -1876 none given, -1878 unsupported encryption, ...; package/decrypter.h)
//   1    the items were written, or there were none: no core-properties entry, an unreadable
//        or malformed one, or a document element other than "cp:coreProperties"
//   the prepare callback's result when it is not 1 (the callback is not called without items)
//   0    an exception escaped the reader
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace xlx {

// UTF-16 units of one property field and of an item's name and value, terminator included.
constexpr size_t kMetadataFieldUnits = 128;

// Turns a core-properties date into local-time text "MM/DD/YYYY hh:mm:ss AM". The text is
// "YYYY-MM-DD" with an optional "Thh:mm:ss" (fractions ignored) and an optional zone "Z",
// "+hh:mm" or "-hh:mm"; a time without a zone is taken as UTC. Missing parts count as 0.
// False, with `localText` empty, when a part is out of range (month, day of that month,
// hour, minute, second, zone offset up to 23:59, year 1 to 9999) or local time is unknown.
bool FormatCoreDate(std::string_view text, std::string* localText);

}  // namespace xlx
