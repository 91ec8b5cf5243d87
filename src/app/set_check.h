// What the glue knows of a set before it writes anything: piece 1's header, the manifest beside
// it when there is one of this set, which pieces belong to the set, and the name of the file it
// rebuilds. The same check serves --check, which goes on to list every missing piece.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/manifest.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "text/text_value.h"

// A reason the set cannot be glued: the message and the file it names; refused_set when the
// screen shows it under "ERROR! Incomplete file set!".
struct SetFault {
  std::string_view message;
  TextValue name;
  bool refused_set = false;
  std::string reason;  // the system's own words, when the system failed
};

// The lengths of a checked set's pieces: every piece but the last is as long as piece 1, so a
// set of any number of pieces is three numbers.
struct SetLengths {
  std::uint64_t piece = 0;  // piece 1's length, the piece size
  std::int32_t count = 0;   // the pieces of the set
  std::uint64_t last = 0;   // the last piece's length (piece 1's when it stands alone)
};
std::uint64_t app_piece_length(const SetLengths& lengths, std::int32_t number);
// The bytes of all the pieces, headers included.
std::uint64_t app_set_length(const SetLengths& lengths);

struct SetPlan {
  TextValue base;                    // the set's base as given, its folder included
  TextValue header;                  // piece 1's header bytes, as read
  SetLengths lengths;
  bool has_manifest = false;         // the manifest beside piece 1 is one of this set
  Manifest manifest;
  TextValue output_name;             // the rebuilt file, beside piece 1
};

// Checks the set of the base, with piece 1 open on the channel at its first byte; the channel is
// left right behind the header. False with the fault (every missing piece the manifest names,
// when every_fault is set; else the first fault) when the set cannot be glued.
bool app_check_set(ChannelNumber piece_one, SetPlan& plan, std::vector<SetFault>& faults, bool every_fault);

// The rebuilt file's name: base, a dot and the extension, without trailing blanks and dots.
TextValue app_output_name(const TextValue& base, const TextValue& extension_field);

// Whether the output's name is one of the set's own pieces: the base, a dot and a piece number
// no larger than the set's last.
bool app_names_a_piece(const TextValue& output, const TextValue& base, std::size_t pieces);

// Whether the file starts as piece 1 of a set does (either signature). Only a file that exists is
// opened, so the test never leaves a file behind.
bool app_is_first_piece(const TextValue& name);

// A file of the set of this base: piece 1 when it is there, found by its name so that a folder of
// many pieces is not searched through, else the first name that starts with the base and a dot
// (the program's temporary files passed over).
FoundFile app_find_set(const TextValue& base);

// The base of the set that a script names: piece 1 (DATA.1, as if dropped) or the set's name
// without dot and number (DATA, as typed at the prompt). A file named as piece 1 that holds no
// piece still names that set (and is refused as its piece 1). False, with base the name as given,
// when nothing of the set is there.
bool app_set_base_of(const TextValue& name, TextValue& base);

// Reads the manifest of this base when it is one of the set: false when there is none, or the
// file of its name is not one (a checksum file of the user's own).
bool app_read_set_manifest(const TextValue& base, Manifest& manifest);
