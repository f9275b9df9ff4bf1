#!/usr/bin/env bash
# Shows that scripts/check_layers.sh catches what it is there for: on a scratch copy
# of the tree with one upward and one sideways include added, it must fail and name
# both places as file:line.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for d in src host tools tests bench fuzz; do
  [[ -d $root/$d ]] && cp -r "$root/$d" "$scratch/$d"
done

inject() {  # file include -> prints the line number the include was added at
  echo "#include \"$2\"" >>"$scratch/$1"
  wc -l <"$scratch/$1"
}
up_line=$(inject src/base/LogIt.cpp "hostapi/HostInterface.h")
side_line=$(inject src/tcm/tcmDouble.cpp "apm/apmDefault.h")

if output=$(bash "$root/scripts/check_layers.sh" "$scratch" 2>&1); then
  echo "check_layers passed a tree with an upward include:"
  echo "$output"
  exit 1
fi
status=0
for expected in "src/base/LogIt.cpp:$up_line: includes \"hostapi/HostInterface.h\": src/hostapi lies above src/base" \
                "src/tcm/tcmDouble.cpp:$side_line: includes \"apm/apmDefault.h\": src/apm lies beside src/tcm"; do
  if ! grep -qF "$expected" <<<"$output"; then
    echo "missing from the output: $expected"
    status=1
  fi
done
if [[ $(grep -c ': includes ' <<<"$output") -ne 2 ]]; then
  echo "expected exactly the two injected includes to be reported"
  status=1
fi
[[ $status -eq 0 ]] || echo "$output"
exit $status
