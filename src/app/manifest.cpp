#include "app/manifest.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "app/piece_format.h"
#include "files/file_names.h"
#include "text/text_ops.h"

namespace {

constexpr std::size_t CHECKSUM_DIGITS = 64;

// The digit's value, -1 for a byte that is no hexadecimal digit.
int hex_value(char byte) {
  if (byte >= '0' && byte <= '9') return byte - '0';
  if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
  if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
  return -1;
}

// The name's bytes as a line holds them, and whether the line must start with a backslash.
std::string escaped(std::string_view name, bool& marked) {
  std::string out;
  marked = false;
  for (const char byte : name) {
    if (byte == '\\' || byte == '\n' || byte == '\r') {
      marked = true;
      out += '\\';
      out += byte == '\\' ? '\\' : (byte == '\n' ? 'n' : 'r');
    } else {
      out += byte;
    }
  }
  return out;
}

// The name's bytes from an escaped line; false for an escape that sha256sum does not write.
bool unescaped(std::string_view bytes, std::string& name) {
  name.clear();
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] != '\\') {
      name += bytes[at];
      continue;
    }
    if (++at == bytes.size()) return false;
    const char code = bytes[at];
    if (code != '\\' && code != 'n' && code != 'r') return false;
    name += code == '\\' ? '\\' : (code == 'n' ? '\n' : '\r');
  }
  return true;
}

// One line without its line feed: [\]CHECKSUM, a blank, a blank or "*", the name.
bool read_line(std::string_view line, ManifestLine& entry) {
  const bool marked = !line.empty() && line[0] == '\\';
  if (marked) line.remove_prefix(1);
  if (line.size() < CHECKSUM_DIGITS + 3 || line[CHECKSUM_DIGITS] != ' ') return false;
  if (line[CHECKSUM_DIGITS + 1] != ' ' && line[CHECKSUM_DIGITS + 1] != '*') return false;
  for (std::size_t at = 0; at < entry.digest.size(); ++at) {
    const int high = hex_value(line[2 * at]);
    const int low = hex_value(line[2 * at + 1]);
    if (high < 0 || low < 0) return false;
    entry.digest[at] = static_cast<unsigned char>(high * 16 + low);
  }
  std::string name(line.substr(CHECKSUM_DIGITS + 2));
  if (marked && !unescaped(line.substr(CHECKSUM_DIGITS + 2), name)) return false;
  if (name.empty()) return false;
  txt_assign(entry.name, file_name_from_utf8(txt_constant(name)));
  return true;
}

}  // namespace

TextValue app_manifest_name(const TextValue& base) { return txt_concat(base, txt_constant(".sha256")); }

TextValue app_manifest_line(const TextValue& checksum, const TextValue& name) {
  const TextValue bytes = file_name_to_utf8(name);
  bool marked = false;
  const std::string escaped_name = escaped(txt_view(bytes), marked);
  std::string line = marked ? "\\" : "";
  line += txt_view(checksum);
  line += "  ";
  line += escaped_name;
  line += '\n';
  return txt_constant(line);
}

namespace {

// Names of a set compare as the file system finds them: without regard to case.
bool same_name(const TextValue& left, const TextValue& right) { return txt_equal(txt_upper(left), txt_upper(right)); }

TextValue own_part(const TextValue& name) {
  return txt_mid(name, static_cast<std::int32_t>(file_name_start(name)), name.length);
}

}  // namespace

ManifestReading app_manifest_reading(const TextValue& base, std::uint64_t length, Manifest& manifest) {
  manifest = Manifest{};
  // One digest a piece, in a list made once: no line is shorter than a checksum, two blanks and
  // a name of three bytes and its line feed. A piece line's name is checked as it is read and
  // not kept, so a set of many pieces costs 32 bytes a piece.
  const std::uint64_t most_lines = length / (CHECKSUM_DIGITS + 6);
  manifest.piece_digests.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(most_lines, PIECE_LIMIT)));
  ManifestReading reading;
  txt_assign(reading.own_base, own_part(base));
  return reading;
}

namespace {

// One whole line: the first is the whole file's; every later one names the next piece.
bool read_next_line(ManifestReading& reading, std::string_view line, Manifest& manifest) {
  if (reading.first) {
    reading.first = false;
    return read_line(line, manifest.whole);
  }
  ManifestLine piece;
  if (manifest.piece_digests.size() >= static_cast<std::size_t>(PIECE_LIMIT) || !read_line(line, piece)) return false;
  const auto number = static_cast<std::int32_t>(manifest.piece_digests.size() + 1);
  if (!same_name(piece.name, app_piece_name(reading.own_base, number))) return false;
  manifest.piece_digests.push_back(piece.digest);
  return true;
}

}  // namespace

void app_manifest_add(ManifestReading& reading, std::string_view bytes, Manifest& manifest) {
  while (reading.sound && !bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) {
      reading.line.append(bytes);
      return;
    }
    // A line within the block is read where it stands; only one that spans two blocks is joined.
    if (reading.line.empty()) {
      reading.sound = read_next_line(reading, bytes.substr(0, end), manifest);
    } else {
      reading.line.append(bytes.substr(0, end));
      reading.sound = read_next_line(reading, reading.line, manifest);
      reading.line.clear();
    }
    bytes.remove_prefix(end + 1);
  }
}

bool app_manifest_complete(const ManifestReading& reading, const Manifest& manifest) {
  // The last line ends with its line feed, and piece 1 has one.
  return reading.sound && reading.line.empty() && !manifest.piece_digests.empty();
}

bool app_manifest_names_set_file(const TextValue& whole_name, const TextValue& base) {
  if (whole_name.empty() || file_name_start(whole_name) != 1) return false;
  const std::string_view name = txt_view(whole_name);
  if (name == "." || name == "..") return false;
  const TextValue own_base = own_part(base);
  if (!same_name(app_set_name(whole_name).base, own_base)) return false;
  // The base is the pieces' own name, already on the disk with whatever it holds (a line feed,
  // which the split writes as sha256sum does); only what the manifest adds must be plain.
  return file_name_part_usable(txt_mid(whole_name, static_cast<std::int32_t>(own_base.length) + 1, whole_name.length));
}
