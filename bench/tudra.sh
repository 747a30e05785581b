#!/usr/bin/env bash
# tudra against wc -l on a 1 GiB text file from the page cache.
. "$(dirname "$0")/lib.sh"
f=$(text_file text-1g 1024)
cat "$f" >/dev/null
best_of "wc -l" wc -l "$f"
best_of "tudra" "$BIN/tudra" "$f"
