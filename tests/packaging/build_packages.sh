#!/usr/bin/env bash
# make package's step: CPack makes the two Debian packages from the build
# into BUILD/packages, where the package tests find them.
set -euo pipefail
build=$1
rm -rf "$build/packages"
cpack --config "$build/CPackConfig.cmake" -B "$build/packages" > "$build/packages.log" 2>&1 \
    || { cat "$build/packages.log"; exit 1; }
rm -rf "$build/packages/_CPack_Packages"
ls "$build/packages"
