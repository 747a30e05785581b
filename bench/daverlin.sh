#!/usr/bin/env bash
# daverlin against fold -s -w 72 on a 1 GiB text file from the page cache,
# both at limit 72 and writing a file. daverlin's console text (the label
# and a count per line) goes to /dev/null.
. "$(dirname "$0")/lib.sh"
f=$(text_file text-1g 1024)
out=$DATA/daverlin-out
cat "$f" >/dev/null
best_of "fold -s -w 72" sh -c "fold -s -w 72 '$f' >'$out'"
best_of "daverlin (limit 72)" sh -c "rm -f '$out'; '$BIN/daverlin' '$f' '$out' 72"
rm -f "$out"
