// Writing a set from an open source: piece 1 under a name of the split's own until every other
// piece and the manifest are complete and on the disk, then under its name. A split that fails
// or is ended never leaves a set that glues: it removes what it made.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/piece_format.h"
#include "app/progress.h"
#include "files/channels.h"
#include "text/text_value.h"

// What the set is made of and where it goes.
struct SetSource {
  TextValue source_name;   // as the messages name the source
  ChannelNumber source = 0;
  bool streamed = false;   // standard input: its length is known only at its end
  std::uint64_t length = 0;  // the source's length, when it is not streamed
  std::uint64_t piece_size = 0;
  TextValue whole_name;    // the file's own name, as the manifest's first line gives it
  SetName set;             // the pieces' base (its folder included) and the extension field
};

// Why a split stops: the message, the file it names, and the system's own words for it.
struct SplitStop {
  std::string_view message;
  TextValue name;
  std::string reason;
};

// Writes the set; false with the stop when it failed (what it made is gone by then). The
// progress hears every byte and every piece.
bool app_write_set(const SetSource& source, Progress& progress, SplitStop& stop, std::uint64_t& pieces);
