#!/usr/bin/env bash
# cmake --install into a temporary prefix, then the checks of check_tree.sh.
# Usage: install_test.sh BUILD_DIR WORK_DIR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/check_tree.sh"
build="$1" work="$2"
rm -rf "$work" && mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" || fail "cmake --install"
check_tree "$work/prefix"
echo "installed tree in $work/prefix passes"
