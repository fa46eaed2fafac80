#!/bin/sh
# The pass finder on a 30-minute 48 kHz stereo field take (a pass every 18..40 s): the time and
# the peak memory of `pirolex auto` on it, reading the file included, and how many of the passes
# it found within 1.5 s and measured within 3 %.
#   bench/long_take.sh [BUILD=build] [SEED=5]
set -e
build=${1:-build}
seed=${2:-5}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/tools/pirolex-flyby" --take field --seconds 1800 --rate 48000 --channels 2 --seed "$seed" \
    -o "$dir/take.wav" > "$dir/truth.txt"
/usr/bin/time -f 'wall %e s, user %U s, system %S s, peak memory %M KB' \
    "$build/app/pirolex" auto "$dir/take.wav" --json > "$dir/passes.json"
awk '
    FNR == NR && /heard at/ { n++; heard[n] = $3 + 0; kmh[n] = $5 + 0; next }
    FNR != NR { split($0, f, /[:,]/); h = ""; v = "";
                for (i = 1; i in f; i++) { if (f[i] == "\"heard_s\"") h = f[i + 1]; if (f[i] == "\"kmh\"") v = f[i + 1] }
                m++; fh[m] = h + 0; fv[m] = v }
    END {
        for (i = 1; i <= n; i++) {
            best = 0
            for (j = 1; j <= m; j++) if (!best || (fh[j] - heard[i])^2 < (fh[best] - heard[i])^2) best = j
            if (best && (fh[best] - heard[i])^2 <= 1.5^2) { found++; if (fv[best] != "" && (fv[best] / kmh[i] - 1)^2 <= 0.03^2) right++ }
        }
        printf "%d passes, %d found within 1.5 s, %d of them within 3 %%, %d listed\n", n, found, right, m
    }' "$dir/truth.txt" "$dir/passes.json"
