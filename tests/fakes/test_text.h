// Texts and files as tests write them down: a text value made of bytes and its bytes back, and
// files written and read whole, in binary. A file's name is UTF-8 text (on POSIX any bytes, as
// the file system holds them) or a path.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_value.h"

inline TextValue text(std::string_view bytes) { return txt_constant(bytes); }
inline std::string bytes(const TextValue& value) { return std::string(txt_view(value)); }

// The path of a name given as UTF-8 text.
inline std::filesystem::path path_of(std::string_view utf8) {
  return std::u8string(utf8.begin(), utf8.end());
}

struct FileName {
  FileName(const std::filesystem::path& path) : path(path) {}
  FileName(std::string_view utf8) : path(path_of(utf8)) {}
  FileName(const std::string& utf8) : FileName(std::string_view(utf8)) {}
  FileName(const char* utf8) : FileName(std::string_view(utf8)) {}
  std::filesystem::path path;
};

inline void write_file(const FileName& name, std::string_view bytes) {
  std::ofstream out(name.path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
// The file's bytes; nothing when it cannot be read.
inline std::string read_file(const FileName& name) {
  std::ifstream in(name.path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline bool exists(const FileName& name) { return std::filesystem::exists(name.path); }
// The names in the folder (UTF-8), sorted.
inline std::vector<std::string> names_in(const FileName& folder = ".") {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}
