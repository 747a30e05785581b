#!/usr/bin/env bash
# sporvik against grep -c -a -i -F on a 1 GiB text file from the page cache.
# grep's output goes through a pipe: with /dev/null it stops at the first match.
. "$(dirname "$0")/lib.sh"
f=$(text_file text-1g 1024)
cat "$f" >/dev/null
best_of "grep -c -a -i -F window" sh -c "grep -c -a -i -F window '$f' | cat"
best_of "sporvik window" sh -c "'$BIN/sporvik' window '$f' | cat"
best_of "grep -c -a -i -F zqxjkv (no hit)" sh -c "grep -c -a -i -F zqxjkv '$f' | cat"
best_of "sporvik zqxjkv (no hit)" sh -c "'$BIN/sporvik' zqxjkv '$f' | cat"
