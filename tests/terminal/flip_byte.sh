# Sourced by the scripts that damage a piece: flip_byte FILE OFFSET changes the byte at OFFSET in
# place to another value, whatever it was, so the damage is never a write of the same byte.
flip_byte() {
  local old
  old=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  printf "\\x$(printf '%02x' $(((old + 1) % 256)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
