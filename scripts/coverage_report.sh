#!/usr/bin/env bash
# Prints line and branch coverage per file of src/, host/ and tools/ from the gcov data
# of a build tree that ran its tests (make coverage does both).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/coverage}
common=(--root . --object-directory "$build" --filter 'src/' --filter 'host/' --filter 'tools/'
        --exclude '.*/test/.*' --exclude-unreachable-branches --exclude-throw-branches)
echo "== Lines"
gcovr "${common[@]}" --txt
echo
echo "== Branches"
gcovr "${common[@]}" --txt --branches
