#!/usr/bin/env bash
# yostrel against find -newermt over a tree of 100,000 files in 1,110
# directories (10 x 10 x 10 directories of 100 files), from the page and
# inode caches. Both list every entry (a date long past) and none (a date
# to come); find prints paths only, yostrel a time and a path per entry.
. "$(dirname "$0")/lib.sh"
tree=$DATA/tree-100k
if [ ! -f "$tree.done" ]; then
    rm -rf "$tree"
    python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
for a in range(10):
    for b in range(10):
        for c in range(10):
            d = os.path.join(root, f"dir{a}", f"sub{b}", f"leaf{c}")
            os.makedirs(d)
            for f in range(100):
                open(os.path.join(d, f"file{f:03d}.txt"), "wb").close()
PY
    touch "$tree.done"
fi
cd "$tree"
echo "files: $(find . -type f | wc -l), directories: $(find . -type d | wc -l)"
find . >/dev/null
best_of "find . -newermt 1980-01-01 (all)" find . -newermt 1980-01-01
best_of "yostrel 1 1 1980 (all)" "$BIN/yostrel" 1 1 1980
best_of "find . -newermt 2099-12-31 (none)" find . -newermt 2099-12-31
best_of "yostrel 12 31 2099 (none)" "$BIN/yostrel" 12 31 2099
best_of "yostrel 1 1 1980 absolute (none)" "$BIN/yostrel" 1 1 1980 absolute
