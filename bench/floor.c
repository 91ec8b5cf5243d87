/* The floor of the bench: the system calls that Tranchor's promises need and nothing else, in a
 * bare loop with no screen, no names to convert and no checks beyond them. What a split or glue
 * costs above it is the program's own; what the floor costs above split and cat is the price of
 * the promises.
 *
 *   floor split SIZE SOURCE BASE   pieces BASE.1, BASE.2, ... made exclusively (piece 1 under a
 *                                  temporary name until the end), the SHA-256 of the source and of
 *                                  every piece in one thread, a manifest, one syncfs, the rename
 *                                  and the directory's flush
 *   floor glue [-c] OUTPUT PIECE...   every piece looked at (stat) before anything is written, then
 *                                  each opened, looked at again (fstat), locked shared, read whole
 *                                  and written to a temporary output (with -c: its SHA-256 made),
 *                                  then fsync, the rename and the directory's flush
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <openssl/evp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

enum { BLOCK = 256 * 1024 };
static unsigned char buffer[BLOCK + 1];

static void fail(const char* what) {
  perror(what);
  exit(1);
}

static void hex_of(EVP_MD_CTX* digest, char* hex) {
  unsigned char bytes[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(digest, bytes, &length);
  for (unsigned int at = 0; at < length; ++at) sprintf(hex + 2 * at, "%02x", bytes[at]);
  EVP_DigestInit_ex(digest, EVP_sha256(), NULL);
}

static void flush_directory(void) {
  int directory = open(".", O_RDONLY | O_DIRECTORY);
  if (directory < 0 || fsync(directory) != 0) fail("directory");
  close(directory);
}

static int split(long long size, const char* source_name, const char* base) {
  int source = open(source_name, O_RDONLY);
  if (source < 0) fail(source_name);
  EVP_MD_CTX* whole = EVP_MD_CTX_new();
  EVP_MD_CTX* piece = EVP_MD_CTX_new();
  EVP_DigestInit_ex(whole, EVP_sha256(), NULL);
  EVP_DigestInit_ex(piece, EVP_sha256(), NULL);
  char name[4096], first[4096], hex[65];
  snprintf(first, sizeof first, "%s.1.part", base);
  FILE* manifest = tmpfile();
  int first_piece = -1;
  for (int number = 1;; ++number) {
    ssize_t got = 0;
    long long left = size;
    int out = -1;
    while (left > 0 && (got = read(source, buffer, left < BLOCK ? (size_t)left : BLOCK)) > 0) {
      if (out < 0) {
        if (number == 1) snprintf(name, sizeof name, "%s", first);
        else snprintf(name, sizeof name, "%s.%d", base, number);
        out = open(name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
        if (out < 0) fail(name);
      }
      if (write(out, buffer, (size_t)got) != got) fail("write");
      EVP_DigestUpdate(whole, buffer, (size_t)got);
      EVP_DigestUpdate(piece, buffer, (size_t)got);
      left -= got;
    }
    if (got < 0) fail("read");
    if (out < 0) break;
    hex_of(piece, hex);
    fprintf(manifest, "%s  %s.%d\n", hex, base, number);
    if (number == 1) first_piece = out;
    else if (close(out) != 0) fail("close");
    if (left > 0) break;
  }
  hex_of(whole, hex);
  snprintf(name, sizeof name, "%s.sha256", base);
  FILE* sums = fopen(name, "wx");
  if (sums == NULL) fail(name);
  fprintf(sums, "%s  %s\n", hex, source_name);
  rewind(manifest);
  for (int byte; (byte = getc(manifest)) != EOF;) putc(byte, sums);
  if (fclose(sums) != 0) fail("manifest");
  if (syncfs(first_piece) != 0 || close(first_piece) != 0) fail("syncfs");
  snprintf(name, sizeof name, "%s.1", base);
  if (rename(first, name) != 0) fail("rename");
  flush_directory();
  return 0;
}

static int glue(int check, const char* output, int count, char** pieces) {
  struct stat info;
  for (int at = 0; at < count; ++at) {
    if (stat(pieces[at], &info) != 0) fail(pieces[at]);
  }
  char temporary[4096], hex[65];
  snprintf(temporary, sizeof temporary, "%s.part", output);
  int out = open(temporary, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
  if (out < 0) fail(temporary);
  EVP_MD_CTX* piece = EVP_MD_CTX_new();
  EVP_DigestInit_ex(piece, EVP_sha256(), NULL);
  for (int at = 0; at < count; ++at) {
    int in = open(pieces[at], O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (in < 0 || fstat(in, &info) != 0 || flock(in, LOCK_SH | LOCK_NB) != 0) fail(pieces[at]);
    long long left = info.st_size;
    while (left >= 0) {
      size_t ask = left < BLOCK ? (size_t)left + 1 : BLOCK;  /* the last read asks for one more */
      ssize_t got = read(in, buffer, ask);
      if (got < 0) fail("read");
      if (got == 0) break;
      if (write(out, buffer, (size_t)got) != got) fail("write");
      if (check) EVP_DigestUpdate(piece, buffer, (size_t)got);
      left -= got;
      if ((size_t)got < ask) break;
    }
    if (check) hex_of(piece, hex);
    close(in);
  }
  if (fsync(out) != 0 || close(out) != 0) fail("fsync");
  if (rename(temporary, output) != 0) fail("rename");
  flush_directory();
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 5 && strcmp(argv[1], "split") == 0) return split(atoll(argv[2]), argv[3], argv[4]);
  if (argc >= 4 && strcmp(argv[1], "glue") == 0) {
    const int check = strcmp(argv[2], "-c") == 0;
    if (argc >= 4 + check) return glue(check, argv[2 + check], argc - 3 - check, argv + 3 + check);
  }
  fprintf(stderr, "usage: floor split SIZE SOURCE BASE | floor glue [-c] OUTPUT PIECE...\n");
  return 2;
}
