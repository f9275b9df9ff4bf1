#!/usr/bin/env bash
# Fails, naming file and line, on every #include "..." that points up or sideways
# against the order of folders declared below. Plain bash and awk, so that a fresh
# machine can run it before anything is installed.
#
#   scripts/check_layers.sh [ROOT]    ROOT defaults to the checkout holding this script
set -euo pipefail

root=$(cd "${1:-$(dirname "$0")/..}" && pwd)

# Bottom first; a file may include from the levels below its own. Folders on one line
# form one level and may not include each other. A folder that is not listed belongs
# to its nearest listed parent, and a listed sub-folder may include the files of its
# listed parent (a family's shared helpers), but not the other way round.
levels=(
  "src/data"
  "src/data/impl"
  "src/data/serialization"
  "src/base"
  "src/values"
  "src/filters"
  "src/hostapi"
  "src/registry"
  "src/tcm src/apm src/apm/krt src/apm/byteoffset"
  "src/plugin"
  "host"
  "tools/common"
  "tools/yoxdata tools/yoxhost"
  "tests"
  "tools/yoxdata/test tools/yoxhost/test"
  "bench fuzz"
)
scanned=(src host tools tests bench fuzz)

declare -A level_of=()
for i in "${!levels[@]}"; do
  for folder in ${levels[$i]}; do level_of[$folder]=$i; done
done

# Sets REPLY to the listed folder a repository folder belongs to (its longest listed
# prefix), or "". Results go through REPLY: this runs for every include.
unit_of() {
  local dir=$1
  REPLY=
  while [[ -n $dir ]]; do
    if [[ -n ${level_of[$dir]+set} ]]; then
      REPLY=$dir
      return
    fi
    [[ $dir == */* ]] && dir=${dir%/*} || dir=
  done
}

# Sets REPLY to the repository path an include names: beside the file or in one of
# its parent folders first (as the tools' and fuzz targets' own headers are reached),
# then under the include roots src/ and tests/; "" when there is none.
resolve() {
  local dir=$1 name=$2 base
  REPLY=
  while :; do
    if [[ -f $root/${dir:+$dir/}$name ]]; then
      REPLY=${dir:+$dir/}$name
      return
    fi
    [[ -z $dir ]] && break
    [[ $dir == */* ]] && dir=${dir%/*} || dir=
  done
  for base in src tests; do
    if [[ -f $root/$base/$name ]]; then
      REPLY=$base/$name
      return
    fi
  done
}

failures=0
fail() {
  echo "$1" >&2
  failures=$((failures + 1))
}

while IFS= read -r -d '' path; do
  file=${path#"$root"/}
  unit_of "${file%/*}"
  from=$REPLY
  if [[ -z $from ]]; then
    fail "$file: its folder is not in the declared order of scripts/check_layers.sh"
    continue
  fi
  while IFS=$'\t' read -r line name; do
    resolve "${file%/*}" "$name"
    target=$REPLY
    if [[ -z $target ]]; then
      fail "$file:$line: includes \"$name\", which is not in the tree"
      continue
    fi
    unit_of "${target%/*}"
    to=$REPLY
    if [[ -z $to ]]; then
      fail "$file:$line: includes \"$name\" from $target, whose folder is not in the declared order"
      continue
    fi
    [[ $to == "$from" || ${level_of[$to]} -lt ${level_of[$from]} ]] && continue
    [[ ${level_of[$to]} -eq ${level_of[$from]} && $from == "$to"/* ]] && continue
    if [[ ${level_of[$to]} -gt ${level_of[$from]} ]]; then
      fail "$file:$line: includes \"$name\": $to lies above $from"
    else
      fail "$file:$line: includes \"$name\": $to lies beside $from"
    fi
  done < <(awk '/^[ \t]*#[ \t]*include[ \t]*"/ { split($0, part, "\""); print FNR "\t" part[2] }' "$path")
done < <(cd "$root" && for d in "${scanned[@]}"; do
  [[ -d $d ]] && find "$root/$d" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) -print0
done)

if ((failures > 0)); then
  echo "check_layers: $failures include(s) against the order of folders" >&2
  exit 1
fi
echo "check_layers: every include points down"
