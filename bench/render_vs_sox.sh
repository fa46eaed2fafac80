#!/usr/bin/env bash
# Whole-process time of `pirolex render` against sox's spectrogram, on the same 700000-frame
# stereo 16-bit recording, measured the same way in one run: both commands alternate, so load
# from other work on the machine falls on both alike; each run is timed from start to exit.
#   bench/render_vs_sox.sh [RUNS]      (default 30; needs build/ from ./scripts/run or ./scripts/test)
# PIROLEX_BUILD names another build folder. Prints min and median of each and their ratios, then
# the recompute alone from the in-process benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PIROLEX_BUILD:-build}
runs=${1:-30}
pirolex=$build/app/pirolex
flyby=$build/tools/pirolex-flyby
command -v sox >/dev/null || { echo "sox is missing (apt-get install sox)" >&2; exit 1; }
[ -x "$pirolex" ] && [ -x "$flyby" ] || { echo "build $build first (./scripts/run or ./scripts/test)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/pirolex-vs-sox.XXXXXX")
trap 'rm -rf "$work"' EXIT
wav=$work/flyby-700000.wav
"$flyby" --channels 2 --seconds 15.873015873015873 -o "$wav" >/dev/null
"$pirolex" info "$wav" | grep -qx '700000 Samples' || { echo "the recording is not 700000 frames" >&2; exit 1; }

pirolex_cmd=("$pirolex" render "$wav" -o "$work/pirolex.png" --mode 2D --channel beide)
sox_cmd=(sox "$wav" -n spectrogram -x 250 -o "$work/sox.png")

# Milliseconds with one decimal, from start to exit of the command.
elapsed() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 100000))
}

# Both run once untimed, so neither pays for a cold file cache.
"${pirolex_cmd[@]}" >/dev/null 2>&1
"${sox_cmd[@]}" >/dev/null 2>&1
p=() s=()
for ((i = 0; i < runs; i++)); do
  p+=("$(elapsed "${pirolex_cmd[@]}")")
  s+=("$(elapsed "${sox_cmd[@]}")")
done

stats() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {printf "%d %d", v[1], v[int((NR + 1) / 2)]}'; }
read -r pmin pmed <<<"$(stats "${p[@]}")"
read -r smin smed <<<"$(stats "${s[@]}")"
tenths() { printf '%d.%d' $(($1 / 10)) $(($1 % 10)); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

echo "recording: 700000 frames, stereo, 16 bit, 44100 Hz; $runs runs each, alternating"
printf '%-58s min %6s ms   median %6s ms\n' "pirolex render (2D, beide, 1024, 846x438 window)" \
  "$(tenths "$pmin")" "$(tenths "$pmed")"
printf '%-58s min %6s ms   median %6s ms\n' "sox spectrogram -x 250" "$(tenths "$smin")" "$(tenths "$smed")"
echo "pirolex / sox: min $(ratio "$pmin" "$smin"), median $(ratio "$pmed" "$smed")"

if [ -x "$build/bench/pirolex_render_bench" ]; then
  echo "inside the process (CPU time is the steadier figure on a busy machine):"
  QT_QPA_PLATFORM=offscreen "$build/bench/pirolex_render_bench" \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_min'
fi
