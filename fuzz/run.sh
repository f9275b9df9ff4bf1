#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each for SECONDS (default 20) on
# a working copy of its seed corpus; new inputs go to fuzz/corpus-run/<target>/, never
# into the committed seeds. Exits non-zero on the first finding (its input is written to
# fuzz/corpus-run/).
#   fuzz/run.sh [SECONDS]
set -euo pipefail
seconds="${1:-20}"
cd "$(dirname "$0")/.."

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target binary_fuzz string_fuzz csv_fuzz

for target in binary string csv; do
  work="fuzz/corpus-run/${target}"
  mkdir -p "${work}"
  dict=()
  [ -f "fuzz/${target}.dict" ] && dict=("-dict=fuzz/${target}.dict")
  echo "== ${target}_fuzz for ${seconds} s"
  "./build/fuzz/fuzz/${target}_fuzz" -max_total_time="${seconds}" -print_final_stats=1 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="fuzz/corpus-run/${target}-" "${dict[@]}" "${work}" "fuzz/corpus/${target}"
done
