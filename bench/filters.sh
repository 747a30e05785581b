#!/usr/bin/env bash
# The seven stream filters against their nearest common tools, each pair on
# the same 1 GiB input from the page cache, output to /dev/null.
. "$(dirname "$0")/lib.sh"
f=$(text_file text-1g 1024)

# Tabs: the text with its spaces after "the" and "of" made tabs, and a tab or
# two at the start of some lines, as in indented source.
tabs=$DATA/tabs-1g
if [ ! -s "$tabs" ]; then
    sed -e 's/\(the\|of\) /\1\t/g' -e 's/^\(wrap\|file\|buffer\)/\t\1/' -e 's/^\(line\|text\)/\t\t\1/' \
        "$f" >"$tabs"
fi
# Lone CR line ends, as an old Mac text has them.
mac=$DATA/mac-1g
if [ ! -s "$mac" ]; then
    tr -d '\n' <"$f" >"$mac"
fi
cat "$f" "$tabs" "$mac" >/dev/null

best_of "tr a-z A-Z" sh -c "tr a-z A-Z <'$f'"
best_of "kelbo" "$BIN/kelbo" "$f"
best_of "tr A-Z a-z" sh -c "tr A-Z a-z <'$f'"
best_of "nembo" "$BIN/nembo" "$f"
best_of "expand" expand "$tabs"
best_of "luvask" "$BIN/luvask" "$tabs"
best_of "nl -ba" nl -ba "$f"
best_of "glenta" "$BIN/glenta" "$f"
best_of "cat -s" cat -s "$f"
best_of "harvow" "$BIN/harvow" "$f"
if command -v mac2unix >/dev/null; then
    best_of "mac2unix (lone CR)" sh -c "mac2unix -q <'$mac'"
else
    echo "mac2unix not installed (Debian: dos2unix); skipped"
fi
best_of "jarnic (lone CR)" "$BIN/jarnic" "$mac"
best_of "tr -cd '\\11\\12\\40-\\176'" sh -c "tr -cd '\\11\\12\\40-\\176' <'$f'"
best_of "oskrat" "$BIN/oskrat" "$f"
