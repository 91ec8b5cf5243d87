#include "app/join.h"

#include "app/piece_format.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "platform/path_rules.h"
#include "text/text_ops.h"

namespace {

bool failed() { return (rt_current_frame().error_word & ERROR_PENDING) != 0; }

TextValue piece_name(const TextValue& base, std::int32_t number) {
  return txt_concat(txt_concat(base, txt_constant(".")), app_decimal(number));
}

bool piece_exists(const TextValue& base, std::int32_t number) {
  return !dir_search(piece_name(base, number), 0).empty();
}

// An extension field that would make the output name point elsewhere, or name a file no system
// can hold, is refused.
bool extension_is_usable(const TextValue& extension_field) {
  for (std::uint32_t at = 0; at < extension_field.length; ++at) {
    if (file_name_byte_forbidden(extension_field.data()[at])) return false;
  }
  return true;
}

// An extension of decimal digits would give the output the name of one of the set's own pieces.
bool names_a_piece(const TextValue& output, const TextValue& base) {
  const TextValue prefix = txt_concat(base, txt_constant("."));
  if (output.length <= prefix.length || !txt_equal(txt_left(output, prefix.length), prefix)) return false;
  const TextValue number = txt_mid(output, static_cast<std::int32_t>(prefix.length) + 1, output.length);
  if (number.data()[0] == '0') return false;
  for (std::uint32_t at = 0; at < number.length; ++at) {
    if (number.data()[at] < '0' || number.data()[at] > '9') return false;
  }
  return true;
}

// Copies the rest of a piece, from its channel's position to its end, block by block.
bool copy_rest(ChannelNumber piece, ChannelNumber output, const TextValue& name_of_piece,
               const TextValue& output_name, std::string_view* failure, const TextValue** failed_name) {
  const std::uint64_t size = file_size(piece);
  for (;;) {
    const std::uint64_t position = file_position(piece) - 1;
    std::uint64_t block = size > position ? size - position : 0;
    if (block > COPY_BLOCK_SIZE) block = COPY_BLOCK_SIZE;
    const TextValue data = file_read_bytes(piece, static_cast<std::uint32_t>(block));
    if (failed()) {
      *failure = CANNOT_READ;
      *failed_name = &name_of_piece;
      return false;
    }
    file_write_text(output, data);
    if (failed()) {
      *failure = CANNOT_WRITE;
      *failed_name = &output_name;
      return false;
    }
    if (file_at_end(piece) != 0 || block == 0) return true;
  }
}

}  // namespace

TextValue app_output_name(const TextValue& base, const TextValue& extension_field) {
  TextValue name = txt_concat(txt_concat(base, txt_constant(".")), extension_field);
  std::uint32_t length = name.length;
  while (length > 0 && (name.data()[length - 1] == ' ' || name.data()[length - 1] == '.')) --length;
  return txt_left(std::move(name), length);
}

int app_join(const TextValue& base_name) {
  TextValue file_name = txt_copy(base_name);
  TextValue extension_field;
  TextValue output_name;
  TextValue temporary_name;
  std::int32_t piece_number = 1;
  app_split_name(file_name, extension_field);

  con_set_cursor(1, PROGRESS_ROW);
  con_print(txt_concat(txt_constant("Now creating : "), file_name));
  con_new_line();

  ChannelNumber piece = 0;
  ChannelNumber output = 0;
  std::string_view failure;
  const TextValue* failed_name = nullptr;
  TextValue current_piece;
  for (;;) {
    txt_assign(current_piece, piece_name(file_name, piece_number));
    if (dir_search(current_piece, 0).empty()) break;
    rt_clear_error();
    piece = file_free_channel();
    file_open(piece, current_piece, BINARY_REQUEST);
    if (failed()) {
      failure = CANNOT_READ;
      failed_name = &current_piece;
      break;
    }

    if (piece_number == 1) {
      const TextValue signature = file_read_bytes(piece, APP_TITLE.size);
      txt_assign(extension_field, txt_lower(file_read_bytes(piece, 3)));
      if (txt_equal(signature, txt_push_fixed(APP_TITLE))) {
        unsigned char count_bytes[2] = {0, 0};
        file_read_at(piece, APP_TITLE.size + extension_field.length + 1, count_bytes, 2);
        const auto piece_count = static_cast<std::int16_t>(count_bytes[0] | (count_bytes[1] << 8));
        for (std::int32_t number = 1; number <= piece_count; ++number) {
          if (!piece_exists(file_name, number)) {
            file_close(piece);
            con_print(txt_constant("ERROR! Incomplete file set!"));
            con_new_line();
            app_end_with_message(txt_concat(txt_constant("File not found : "), piece_name(file_name, number)));
            return 0;
          }
        }
      }
      if (failed()) {
        failure = CANNOT_READ;
        failed_name = &current_piece;
        break;
      }
      txt_assign(output_name, app_output_name(file_name, extension_field));
      if (!extension_is_usable(extension_field) || names_a_piece(output_name, file_name)) {
        failure = CANNOT_WRITE;
        failed_name = &output_name;
        break;
      }
      // The file is built under a name of its own and takes the output's name only when every
      // piece is in it, so a failed join never leaves a partial file under that name.
      txt_assign(temporary_name, txt_concat(output_name, txt_constant(".tranchor-part")));
      output = file_free_channel();
      file_open(output, temporary_name, BINARY_REQUEST);
      if (failed()) {
        failure = CANNOT_WRITE;
        failed_name = &output_name;
        break;
      }
    }

    con_set_cursor(1, PROGRESS_ROW);
    con_print(txt_repeat(txt_from_code(PROGRESS_MARK), static_cast<std::uint32_t>(piece_number)));
    con_print(txt_constant(" Now adding : "));
    con_print(current_piece);
    con_new_line();

    if (!copy_rest(piece, output, current_piece, output_name, &failure, &failed_name)) break;
    file_close(piece);
    if (piece_number == PIECE_LIMIT) break;  // no piece beyond the largest number a set can have
    ++piece_number;
  }
  file_close(piece);

  if (failed_name == nullptr && output != 0) {
    file_set_end(output);
    file_close(output);
    if (failed()) {
      failure = CANNOT_WRITE;
      failed_name = &output_name;
    } else {
      file_rename(temporary_name, output_name);
      if (failed()) {
        failure = CANNOT_WRITE;
        failed_name = &output_name;
      }
    }
  }
  if (failed_name != nullptr) {
    file_close(output);
    if (!temporary_name.empty()) file_remove(temporary_name);
    app_show_failure(failure, *failed_name);
    return 1;
  }
  return 0;
}
