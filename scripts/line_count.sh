#!/usr/bin/env bash
# Code and test lines per area, and their ratio: the suite should stay at about a third
# of the code overall and at most half in any area. Lines are counted as the pre-stop
# check counts them: not blank and not a // comment. Exit status 1 when an area is over
# half (use --check to make that fail a build).
set -euo pipefail
cd "$(dirname "$0")/.."

# area | code folders | test files (extended regex on the path)
areas=(
  "mappers, converters, entry points|src/base src/hostapi src/registry src/plugin src/apm src/tcm|(mapper|companions|pseudo|converter|timestamp|plugin|registry|logging|KrtDevice|MapperHarness|PluginFixture|LogRecords)[^/]*$"
  "values and filters|src/values src/filters|(typed_value|filters)[^/]*$"
  "data container|src/data|(data_container|data_types|discrete|entry)[^/]*$"
  "serializers|src/data/serialization src/data/detail src/data/StringUtils.h src/data/StringUtils.cpp|(serializer|string_conversion|codec|Serializer|RandomData|hostile|locale)[^/]*$"
  "host and tools|host tools|(data_to_prop|yoxdata|yoxhost|update_cycle|HostEnvironment|link/)[^/]*$"
)

lines() { # files... -> counted lines
  [ $# -eq 0 ] && { echo 0; return; }
  cat "$@" | grep -cvE '^\s*$|^\s*//' || true
}
sources() { # folders or files... -> the C++ files among them or under them
  for d in "$@"; do
    if [ -d "$d" ]; then find "$d" -type f \( -name '*.cpp' -o -name '*.h' \); elif [ -f "$d" ]; then echo "$d"; fi
  done | sort
}

all_tests=$( { find tests -type f \( -name '*.cpp' -o -name '*.h' \) -not -path 'tests/consumer/*'; \
               find tools -path '*/test/*' -type f \( -name '*.cpp' -o -name '*.h' \); } | sort)
all_code=$(sources src host tools | grep -v '/test/')

check=0
[ "${1:-}" = "--check" ] && check=1
over=0
printf '| area | code | tests | tests/code |\n|---|---:|---:|---:|\n'
claimed=""
for row in "${areas[@]}"; do
  IFS='|' read -r name dirs pattern <<<"$row"
  # shellcheck disable=SC2086
  code_files=$(sources $dirs | grep -v '/test/' || true)
  # The serializers and the text and number conversions they rest on are an area of
  # their own: keep them out of the data container's count.
  if [ "$name" = "data container" ]; then
    code_files=$(grep -vE '^src/data/(serialization/|detail/|StringUtils\.)' <<<"$code_files" || true)
  fi
  test_files=$(grep -E "$pattern" <<<"$all_tests" || true)
  claimed+="$test_files"$'\n'
  c=$(lines $code_files); t=$(lines $test_files)
  ratio=$(awk -v t="$t" -v c="$c" 'BEGIN { printf "%.2f", c ? t / c : 0 }')
  flag=""
  if awk -v t="$t" -v c="$c" 'BEGIN { exit !(c && t / c > 0.5) }'; then flag=" (over half)"; over=1; fi
  printf '| %s | %d | %d | %s%s |\n' "$name" "$c" "$t" "$ratio" "$flag"
done
rest=$(comm -23 <(echo "$all_tests") <(echo "$claimed" | sed '/^$/d' | sort -u) | sed '/^$/d')
[ -n "$rest" ] && printf '| shared test support and other | 0 | %d | |\n' "$(lines $rest)"
c=$(lines $all_code); t=$(lines $all_tests)
printf '| **all** | %d | %d | %s |\n' "$c" "$t" "$(awk -v t="$t" -v c="$c" 'BEGIN { printf "%.2f", t / c }')"
[ "$check" -eq 1 ] && [ "$over" -eq 1 ] && exit 1
exit 0
