#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build needs; with --fuzz also the
# clang toolchain the libFuzzer targets need. Quiet and quick when everything is
# already there.
set -euo pipefail

packages=(
  g++ make cmake ninja-build
  libboost-dev libgtest-dev libbenchmark-dev
  libyaml-cpp-dev nlohmann-json3-dev
  locales gcovr
  # peers of the benchmark comparison (bench only; skipped when absent)
  libmsgpack-cxx-dev libflatbuffers-dev rapidjson-dev
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# The locale tests need a locale whose decimal point is a comma.
need_locale() { ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; }

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -eq 0 ]; then
  if need_locale; then $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8; fi
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
if need_locale; then $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8; fi
