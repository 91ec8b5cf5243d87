// The manifest beside a set, BASE.sha256: a file in the format that sha256sum writes and
// "sha256sum -c" reads, and nothing else. Its first line is the checksum of the whole file under
// its full name as it was split (no folder), then one line per piece in order (BASE.1, ...). A
// name holding a backslash, a line feed or a carriage return is written as sha256sum writes it:
// the line starts with a backslash, and those characters stand as \\, \n and \r.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/checksum.h"
#include "text/text_value.h"

struct ManifestLine {
  Sha256Digest digest;  // the line's 64 hexadecimal digits, 32 bytes: a set of many pieces keeps it small
  TextValue name;      // the file's name, no folder
};

struct Manifest {
  ManifestLine whole;                       // the file that was split
  std::vector<Sha256Digest> piece_digests;  // piece 1's first; the lines' names are the set's own
};

// A manifest is written and read in blocks of this size, so that a set of many pieces never holds
// its whole manifest.
constexpr std::uint32_t MANIFEST_BLOCK_SIZE = 64 * 1024;

// The manifest's name for the set of this base (a folder in the base stays): BASE.sha256.
TextValue app_manifest_name(const TextValue& base);

// The bytes of one line of the manifest.
TextValue app_manifest_line(const TextValue& checksum, const TextValue& name);

// Reads a manifest of the set of this base (its file-name part) block by block. It is one when
// every line is a checksum line, there are at least two (the whole file and piece 1), and the
// piece lines name exactly BASE.1, BASE.2, ... in order (letters compare without regard to case,
// as the file system finds the pieces). Checksums may be given in either case.
struct ManifestReading {
  TextValue own_base;   // the base's file-name part
  std::string line;     // the bytes of a line not ended yet
  bool first = true;    // the next line is the whole file's
  bool sound = true;    // every line so far is one of this set's manifest
};
// Starts the reading of a file of this length into the manifest.
ManifestReading app_manifest_reading(const TextValue& base, std::uint64_t length, Manifest& manifest);
// Reads the next bytes of the file.
void app_manifest_add(ManifestReading& reading, std::string_view bytes, Manifest& manifest);
// True when the file read to its end is a manifest of the set.
bool app_manifest_complete(const ManifestReading& reading, const Manifest& manifest);

// Whether the whole file's name in a manifest of the set may name the rebuilt file: a plain name
// (no folder part, not "." or "..") whose base by the split's own rule is the set's base exactly
// (but for the case of its letters), and whose rest holds no control character.
bool app_manifest_names_set_file(const TextValue& whole_name, const TextValue& base);
