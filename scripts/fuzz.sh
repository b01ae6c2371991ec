#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer, UBSan) and runs
# each fuzz target for a bounded time on a copy of its seed corpus in
# fuzz/corpus/<target>/, in two lanes side by side, one per core: the frame
# loop for the whole time in one; the plugin's INI loader, the tool's `check`
# and its shot-log reader for a third of it each in the other. Each target's
# inputs a second are printed at the end.
# Any crash, sanitizer report, broken invariant, leak, time-out or memory
# blow-up fails the run; what it left behind is kept in
# build/fuzz/artifacts/<target>/ (reproduce with
# build/fuzz/fuzz/<target>_fuzzer <file>).
#
#   scripts/fuzz.sh            # 60 seconds a lane
#   FUZZ_SECONDS=600 scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${FUZZ_SECONDS:-60}
third=$(( (seconds + 2) / 3 ))
targets=(frame config check log)

cmake --preset fuzz
cmake --build --preset fuzz

work=$(pwd)/build/fuzz/run
rm -rf "$work"
mkdir -p "$work"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# fuzz TARGET SECONDS: one target's run; its log in $work/TARGET.log.
fuzz() {
  local target=$1 time=$2
  local corpus=$work/corpus/$target
  local artifacts
  artifacts=$(pwd)/build/fuzz/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  cp fuzz/corpus/"$target"/* "$corpus"/
  # An INI or a log may be long; a frame input is a stream of answers, worth
  # its full length from the start (-len_control=0).
  local length=(-max_len=16384)
  if [[ $target == frame ]]; then
    length=(-max_len=4096 -len_control=0)
  fi
  # -close_fd_mask=1: the plugin's one console line would flood the log.
  local status=0
  build/fuzz/fuzz/"$target"_fuzzer "$corpus" \
    -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 "${length[@]}" \
    -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$artifacts"/ \
    >"$work/$target.log" 2>&1 || status=$?
  echo "$status" >"$work/$target.status"
}

fuzz frame "$seconds" &
lane=$!
fuzz config "$third"
fuzz check "$third"
fuzz log "$third"
wait "$lane"

passed=0
failed=0
for target in "${targets[@]}"; do
  if [[ $(cat "$work/$target.status") == 0 ]]; then
    passed=$((passed + 1))
    done_line=$(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$work/$target.log" | tail -1)
    read -r runs secs < <(sed -E 's/Done ([0-9]+) runs in ([0-9]+) second/\1 \2/' <<<"$done_line")
    echo "fuzz $target: passed ($done_line(s): $(( runs / (secs > 0 ? secs : 1) )) inputs a second)"
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|INITED|^#[0-9]+[[:space:]]+DONE' "$work/$target.log" | sed 's/^/  /' || true
  else
    failed=$((failed + 1))
    echo "fuzz $target: FAILED; the end of its log ($work/$target.log):"
    tail -n 60 "$work/$target.log"
    ls -l "$(pwd)/build/fuzz/artifacts/$target" || true
  fi
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
