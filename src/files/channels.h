// File channels, as the tool uses them: every open file is named by a small number; the tool
// opens a file on a channel, moves bytes through it (files/transfer.h) and closes it. A failing
// call records its error number in the caller's frame (frame/errors.h) and leaves no channel
// behind that it did not find.
#pragma once

#include "files/open_request.h"
#include "text/text_value.h"

// Opens the named file on the channel. The whole name is used, however long (the file system
// refuses one beyond its limits); an empty name, one holding "*", "?" or a zero byte, or a text
// that no file name has (a control byte that starts no whole form) gives 64. Record length below 1: 5. Channel already open: 55
// (that channel is left as it was). A failing open with write access is tried once more
// read-only unless the mode has MODE_NO_FALLBACK; then the mapped error of the last attempt
// (76 missing directory, 70 file held by another opener, 53 missing file in input mode, ...).
// Binary mode creates a missing file and never truncates an existing one, unless the request's
// creation says otherwise (an existing file that is not there 53, a temporary file whose name is
// taken 58).
void file_open(ChannelNumber channel, const TextValue& name, const OpenRequest& request);

// Opens the process's standard input or output on the channel, as a binary channel; a pipe or a
// terminal is a device (no size, no positions), and a read from it gives what it has.
enum class StandardFile : std::uint8_t { input, output };
void file_open_standard(ChannelNumber channel, StandardFile which);

// Gives the file open on target the permission bits of the file open on model (limited by the
// umask; nothing changes where files have no such bits).
void file_copy_permissions(ChannelNumber model, ChannelNumber target);

// Whether the file that opening the name would make (links followed) is the file open on the
// channel. False, with nothing recorded, when the name gives no file or the channel is not open.
bool file_names_open_file(const TextValue& name, ChannelNumber channel);

// Closes the channel; a number that is not open is ignored with no error. An output channel's
// file ends at its current position. Failures are recorded after the channel is gone.
void file_close(ChannelNumber channel);

// Closes every open channel, so that the next run starts with none.
void file_close_all();
// The per-run reset of the file services: no open channel, no search in progress.
void file_reset();

// The lowest number from 1 up that is not open. Reserves nothing.
ChannelNumber file_free_channel();

