#include "platform/posix/name_lookup.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/directory_names.h"
#include "platform/text_forms.h"

std::string resolve_name(std::string_view name, int* found) {
  std::string exact;
  if (!utf8_from_text(name, exact)) {
    // No name has this text: nothing is found at the empty path it gets.
    if (found != nullptr) *found = 0;
    return {};
  }
  struct stat info;
  if (::lstat(exact.c_str(), &info) == 0) {
    if (found != nullptr) *found = 1;
    return exact;
  }
  const int exact_error = errno;
  if (found != nullptr) *found = -1;
  std::string resolved;
  bool resolving = true;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = name.find('/', start);
    const std::size_t end = slash == std::string_view::npos ? name.size() : slash;
    const std::string_view element = name.substr(start, end - start);
    // Forms hold no "/", so each element of a name that converts converts on its own.
    std::string element_utf8;
    utf8_from_text(element, element_utf8);
    if (resolving && !element.empty() && element != "." && element != "..") {
      // The whole name as written was just looked at: a last element reached unchanged need not
      // be looked at again.
      const std::string path = resolved + element_utf8;
      const bool last = slash == std::string_view::npos;
      int error = 0;
      if (path == exact) {
        error = exact_error;
      } else if (::lstat(path.c_str(), &info) != 0) {
        error = errno;
      }
      // Only a missing element is looked for; any other failure leaves the rest as written.
      if (error == 0 || (error == ENOENT && find_case_variant(resolved, element, element_utf8))) {
        if (found != nullptr && last) *found = 1;
      } else {
        resolving = false;
        if (found != nullptr && last && error == ENOENT) *found = 0;
      }
    }
    resolved += element_utf8;
    if (slash == std::string_view::npos) break;
    resolved += '/';
    start = slash + 1;
  }
  return resolved;
}

std::string path_to_make(std::string_view name) {
  std::string whole;
  if (!utf8_from_text(name, whole)) return {};
  const std::size_t slash = name.find_last_of('/');
  if (slash == std::string_view::npos) return whole;
  // Forms hold no "/", so the name's own part converts on its own.
  std::string own;
  utf8_from_text(name.substr(slash + 1), own);
  std::string directory = resolve_name(name.substr(0, slash + 1));
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory + own;
}
