#!/usr/bin/env bash
# pimbor against xxd -i on a 64 MiB file of random bytes from the page cache,
# both writing their source text to a file in the same place.
. "$(dirname "$0")/lib.sh"
f=$DATA/random-64m
if [ ! -s "$f" ]; then
    python3 -c 'import random, sys; random.seed(7); sys.stdout.buffer.write(random.randbytes(64 << 20))' >"$f"
fi
cat "$f" >/dev/null
out=$DATA/pimbor-out.c
best_of "xxd -i" sh -c "xxd -i '$f' >'$out'"
best_of "pimbor" "$BIN/pimbor" "$f" "$out"
best_of "xxd -i | cat" sh -c "xxd -i '$f' | cat"
best_of "pimbor | cat" sh -c "'$BIN/pimbor' '$f' | cat"
rm -f "$out"
