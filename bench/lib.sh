# Shared pieces of the benchmark scripts: where the programs are, test data
# made once and kept, and a best-of-N wall clock timer.
# Source it from a bench script: . "$(dirname "$0")/lib.sh"
set -euo pipefail

BENCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BIN=${BIN:-$BENCH_ROOT/build/release/bin}
DATA=${DATA:-/tmp/bench-data}
RUNS=${RUNS:-3}
mkdir -p "$DATA"
export LC_ALL=C

if [ ! -x "$BIN/sporvik" ]; then
    echo "build first: cmake --workflow --preset release" >&2
    exit 1
fi

# text_file NAME MIB: a text of words in lines of varied length with CR LF
# line ends, made once.
text_file() {
    local f=$DATA/$1
    if [ ! -s "$f" ]; then
        python3 - "$f" "$2" <<'PY'
import random, sys
path, mib = sys.argv[1], int(sys.argv[2])
random.seed(7)
words = ("the of and to in is that for it as was with be by on not he this are or his "
         "from at which but have an they you were her she there been one all we their "
         "file line text tab stop wrap search window buffer offset count").split()
lines = []
for i in range(20000):
    n = random.randint(0, 16)
    lines.append(" ".join(random.choice(words) for _ in range(n)))
block = ("\r\n".join(lines) + "\r\n").encode()
size = mib << 20
with open(path, "wb") as f:
    written = 0
    while written < size:
        chunk = block[: size - written]
        f.write(chunk)
        written += len(chunk)
PY
    fi
    echo "$f"
}

# best_of LABEL COMMAND...: runs the command RUNS times (output to /dev/null
# unless the command redirects it itself) and prints the best wall time.
best_of() {
    local label=$1 best= t0 t1 ms
    shift
    for _ in $(seq "$RUNS"); do
        t0=$(date +%s%N)
        "$@" >/dev/null 2>&1 || true
        t1=$(date +%s%N)
        ms=$(( (t1 - t0) / 1000000 ))
        if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    printf '%-40s %6d ms\n' "$label" "$best"
}
