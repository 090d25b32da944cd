#!/usr/bin/env bash
# Code and test lines per folder (blank and comment-only lines left out) and the tests' share.
# Information only: it never fails a build.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  [ -d "$1" ] || { echo 0; return; }
  find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.py' \) -print0 |
    xargs -0 -r cat | grep -v '^[[:space:]]*$' | grep -cv '^[[:space:]]*//' || true
}

total_code=0
total_tests=0
printf '%-10s %8s %8s %6s\n' folder code tests ratio
for dir in base mml song smf playback editor views app cli; do
  [ -d "$dir" ] || continue
  # A code folder's tests live in tests/<folder>; editor/frame and app/dialogs count with theirs.
  code=$(count "$dir")
  tests=$(count "tests/$dir")
  total_code=$((total_code + code))
  total_tests=$((total_tests + tests))
  ratio=$([ "$code" -gt 0 ] && echo "$((100 * tests / code)) %" || echo "-")
  printf '%-10s %8d %8d %6s\n' "$dir" "$code" "$tests" "$ratio"
done
other=$(( $(count tests) - total_tests ))
total_tests=$((total_tests + other))
printf '%-10s %8s %8d\n' "(shared)" "" "$other"
printf '%-10s %8d %8d %6s\n' all "$total_code" "$total_tests" "$((100 * total_tests / total_code)) %"
