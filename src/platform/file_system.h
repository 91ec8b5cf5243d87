// The file system as the file services rely on it, shaped like the Windows file calls that the
// tool was designed over (CreateFileA, GetFileType, SetFilePointerEx, SetEndOfFile, ReadFile,
// WriteFile, GetFileSizeEx, CloseHandle, FindFirstFileA/FindNextFileA/FindClose, MoveFileExA,
// DeleteFileA). Each operating system provides one implementation; tests wrap it to inject
// failures.
//
// Every call leaves a last-error code in the Windows numbering that last_error() reports: 0 for
// none; 2 file not found, 3 path not found, 4 too many open files, 5 access denied, 8 no memory,
// 18 no more files, 19 write-protected, 32 sharing violation, 112 disk full, 183 already exists
// (left by a successful open of an existing file), ... A call does not clear the code when it
// succeeds; the caller clears it first (set_last_error(0)), so that one wrapper maps codes to
// error numbers on every platform.
//
// Names are zero-terminated texts of code-page-437 bytes, in which a character or byte that the
// code page lacks has a form of its own (platform/text_forms.h); "/" separates directories. A
// text that is the text of no name fails with 123. Finding a file (opening an existing one,
// searching, the source of a rename) compares letters without regard to case; making one
// (FS_CREATE_NEW, FS_CREATE_ALWAYS, the new name of a rename) takes the last element of the name
// exactly as written, so that it never lands on another file whose name differs only in case.
#pragma once

#include <cstdint>
#include <string>

using FileHandle = void*;
using FindHandle = void*;

// What create_file and find_first give when they fail. Null is never a valid handle either.
inline const FileHandle FS_INVALID_HANDLE = reinterpret_cast<FileHandle>(~std::uintptr_t{0});

// Desired access.
constexpr std::uint32_t FS_GENERIC_READ = 0x80000000;
constexpr std::uint32_t FS_GENERIC_WRITE = 0x40000000;
// Share mode: what other openers of the same file may do while this handle is open.
constexpr std::uint32_t FS_SHARE_READ = 0x1;
constexpr std::uint32_t FS_SHARE_WRITE = 0x2;
// Creation disposition.
constexpr std::uint32_t FS_CREATE_NEW = 1;
constexpr std::uint32_t FS_CREATE_ALWAYS = 2;
constexpr std::uint32_t FS_OPEN_EXISTING = 3;
constexpr std::uint32_t FS_OPEN_ALWAYS = 4;
constexpr std::uint32_t FS_TRUNCATE_EXISTING = 5;
// Finds an existing plain file (a regular file, links followed); anything else there (a
// directory, a device, a FIFO) is refused with 5, and nothing waits for it.
constexpr std::uint32_t FS_OPEN_EXISTING_PLAIN = 6;
// Standard streams.
constexpr std::uint32_t FS_STANDARD_INPUT = 0;
constexpr std::uint32_t FS_STANDARD_OUTPUT = 1;
// File type.
constexpr std::uint32_t FS_TYPE_UNKNOWN = 0;
constexpr std::uint32_t FS_TYPE_DISK = 1;
constexpr std::uint32_t FS_TYPE_CHAR = 2;
constexpr std::uint32_t FS_TYPE_PIPE = 3;
// Seek origin.
constexpr std::uint32_t FS_BEGIN = 0;
constexpr std::uint32_t FS_CURRENT = 1;
constexpr std::uint32_t FS_END = 2;
// Entry attributes.
constexpr std::uint32_t FS_ATTRIBUTE_READONLY = 0x01;
constexpr std::uint32_t FS_ATTRIBUTE_HIDDEN = 0x02;
constexpr std::uint32_t FS_ATTRIBUTE_SYSTEM = 0x04;
constexpr std::uint32_t FS_ATTRIBUTE_VOLUME = 0x08;
constexpr std::uint32_t FS_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FS_ATTRIBUTE_ARCHIVE = 0x20;
constexpr std::uint32_t FS_ATTRIBUTE_NORMAL = 0x80;

// Last-error codes that the services and tests name.
constexpr std::uint32_t FS_ERROR_INVALID_FUNCTION = 1;  // not for this device
constexpr std::uint32_t FS_ERROR_FILE_NOT_FOUND = 2;
constexpr std::uint32_t FS_ERROR_PATH_NOT_FOUND = 3;
constexpr std::uint32_t FS_ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr std::uint32_t FS_ERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t FS_ERROR_INVALID_HANDLE = 6;
constexpr std::uint32_t FS_ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr std::uint32_t FS_ERROR_NOT_SAME_DEVICE = 17;
constexpr std::uint32_t FS_ERROR_NO_MORE_FILES = 18;
constexpr std::uint32_t FS_ERROR_WRITE_PROTECT = 19;
constexpr std::uint32_t FS_ERROR_NOT_READY = 21;
constexpr std::uint32_t FS_ERROR_WRITE_FAULT = 29;
constexpr std::uint32_t FS_ERROR_READ_FAULT = 30;
constexpr std::uint32_t FS_ERROR_GEN_FAILURE = 31;
constexpr std::uint32_t FS_ERROR_SHARING_VIOLATION = 32;
constexpr std::uint32_t FS_ERROR_HANDLE_EOF = 38;
constexpr std::uint32_t FS_ERROR_HANDLE_DISK_FULL = 39;
constexpr std::uint32_t FS_ERROR_FILE_EXISTS = 80;
constexpr std::uint32_t FS_ERROR_INVALID_PARAMETER = 87;
constexpr std::uint32_t FS_ERROR_BROKEN_PIPE = 109;
constexpr std::uint32_t FS_ERROR_DISK_FULL = 112;
constexpr std::uint32_t FS_ERROR_INVALID_NAME = 123;
constexpr std::uint32_t FS_ERROR_NEGATIVE_SEEK = 131;
constexpr std::uint32_t FS_ERROR_DIR_NOT_EMPTY = 145;
constexpr std::uint32_t FS_ERROR_ALREADY_EXISTS = 183;
constexpr std::uint32_t FS_ERROR_FILENAME_EXCED_RANGE = 206;
constexpr std::uint32_t FS_ERROR_CANT_RESOLVE_FILENAME = 1921;  // a loop of links

// One directory entry as a search reports it.
struct FindData {
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;  // bytes, for a file
  std::string name;        // code-page-437 bytes, no directory part
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens or creates the file. The share mode says what other openers may do meanwhile (0: no
  // one may open it at all; a second open fails with 32). An existing file opened with
  // FS_OPEN_ALWAYS or FS_CREATE_ALWAYS leaves 183. FS_CREATE_NEW never opens anything that
  // exists, a link included (80). A directory cannot be opened (5). A file made by
  // FS_CREATE_NEW or FS_CREATE_ALWAYS is private to its owner until copy_permissions gives it
  // its bits. Gives FS_INVALID_HANDLE on failure.
  virtual FileHandle create_file(const char* name, std::uint32_t desired_access,
                                 std::uint32_t share_mode, std::uint32_t creation_disposition) = 0;
  // FS_TYPE_DISK for a file on a disk; FS_TYPE_CHAR, FS_TYPE_PIPE or FS_TYPE_UNKNOWN else.
  virtual std::uint32_t file_type(FileHandle handle) = 0;
  // Moves the file pointer; new_position (may be null) gets the offset from the start.
  // A device that cannot seek stays where it is and reports position 0.
  virtual bool seek(FileHandle handle, std::int64_t distance, std::uint32_t origin,
                    std::uint64_t* new_position) = 0;
  // The file ends at the file pointer: cut there, or extended with zero bytes.
  virtual bool set_end_of_file(FileHandle handle) = 0;
  // One transfer at the file pointer, which moves on by `moved`. On a disk file a read moves
  // fewer bytes than asked only at the end of the file, and a write only when it fails.
  virtual bool read(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t* moved) = 0;
  virtual bool write(FileHandle handle, const void* buffer, std::uint32_t count,
                     std::uint32_t* moved) = 0;
  // Copies up to count bytes from the file pointer of from to the file pointer of to within the
  // operating system, without passing them through the program, and moves both pointers on by
  // the bytes copied; gives that number. It copies fewer, or none, wherever the system will not
  // (other kinds of files, other file systems, a full disk, an error, the source's end): the
  // caller goes on with reads and writes from where it stopped and meets any failure there.
  // Leaves no code. A system without such a copy copies nothing.
  virtual std::uint64_t copy_range(FileHandle from, FileHandle to, std::uint64_t count) {
    (void)from;
    (void)to;
    (void)count;
    return 0;
  }
  virtual bool file_size(FileHandle handle, std::uint64_t* size) = 0;
  virtual bool close(FileHandle handle) = 0;

  // The first entry that matches the pattern (the last path element may hold "*" and "?";
  // letters compare without regard to case). FS_INVALID_HANDLE when nothing matches: 2 when
  // the directory holds no match, 3 when the directory is missing. find_next fails with 18
  // when no more entries match.
  virtual FindHandle find_first(const char* pattern, FindData& data) = 0;
  virtual bool find_next(FindHandle handle, FindData& data) = 0;
  virtual bool find_close(FindHandle handle) = 0;

  // Renames a file, replacing an existing file of exactly the new name.
  virtual bool rename(const char* from, const char* to) = 0;
  // Deletes the file of exactly that name.
  virtual bool remove(const char* name) = 0;
  // The process's standard input (0) or output (1) as a handle of its own, which close gives up
  // without closing the stream itself. A pipe or terminal reads what it has (a short read is no
  // end); only a read of 0 bytes is the end. FS_INVALID_HANDLE when the stream is not there.
  virtual FileHandle standard_stream(std::uint32_t which) = 0;
  // Whether anything stands under exactly the name that a file made under this name would have
  // (where names ignore case, under any spelling of it). Reports nothing.
  virtual bool exists_as_made(const char* name) = 0;
  // Deletes the file of exactly that name if it is a plain file itself (not a link) that no
  // program holds open: a temporary file of this program's that a killed run left. Anything else
  // stays, with 32 (held) or 5 (not a plain file).
  virtual bool remove_stale(const char* name) { return remove(name); }

  // Gives the file open on target the permission bits of the file open on model, limited as a
  // new file's are (by the umask on POSIX). Succeeds and does nothing on a system without such
  // bits.
  virtual bool copy_permissions(FileHandle model, FileHandle target) = 0;
  // Whether the file that the name gives when it is made (links followed) is the file open on
  // the handle. A name that gives no file is not, and reports nothing.
  virtual bool names_open_file(FileHandle handle, const char* name) = 0;
  // The file open on the handle is the program's own temporary file: should the process end by
  // a signal before the file is renamed or removed, it is removed. (8 when it cannot be kept.)
  virtual bool mark_temporary(FileHandle handle) = 0;
  // Every file marked temporary so far stays from now on, whatever ends the process: the run's
  // outputs are complete.
  virtual void keep_temporaries() {}
  // While held, a signal that would end the process waits until the hold ends: a file made and
  // then marked temporary in between is never left unmarked.
  virtual void hold_endings(bool held) { (void)held; }

  // The data of the file open on the handle, and what is needed to find it, are on the disk.
  virtual bool flush(FileHandle handle) {
    (void)handle;
    return true;
  }
  // Everything this process has written since the last call (data and names) is on the disk:
  // in as few calls as the system allows (one for each file system written to, where it can).
  virtual bool flush_written() { return true; }
  // The directory that holds the named file has its entries on the disk (a rename or a new
  // file there survives a power cut). A system that needs no such flush does nothing.
  virtual bool flush_directory(const char* name) {
    (void)name;
    return true;
  }

  // The process error mode (which operating-system dialogs a failing call may show); gives the
  // mode in force before.
  virtual std::uint32_t set_error_mode(std::uint32_t mode) = 0;
  virtual std::uint32_t last_error() = 0;
  virtual void set_last_error(std::uint32_t code) = 0;
  // The system's own words for the failure that left the last code ("No space left on device"),
  // in code-page-437 text; empty when the system has none.
  virtual std::string last_error_reason() { return {}; }
};
