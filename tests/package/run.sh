#!/usr/bin/env bash
# Installs the built library into a temporary prefix, then builds and runs the
# consumer against it twice: through find_package and through pkg-config.
set -euo pipefail
build_dir=$1
source_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
libdir=$(ls -d "$work"/prefix/lib*/ | head -n 1)
test -e "$libdir/libsorrel.so.1" || { echo "libsorrel.so.1 not installed"; exit 1; }
test "$(readlink -f "$libdir/libsorrel.so.1" | xargs basename)" = "libsorrel.so.1.5.0"
# grep reads to the end: with -q it would stop early and objdump's broken pipe fail the pipeline.
objdump -p "$libdir/libsorrel.so.1" | grep 'SONAME *libsorrel.so.1$' >/dev/null

echo "== find_package"
cmake -S "$source_dir/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/cmake-build/consumer"

echo "== pkg-config"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
test "$(pkg-config --modversion sorrel)" = "1.5.0"
# shellcheck disable=SC2046
c++ "$source_dir/consumer/main.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs sorrel)
LD_LIBRARY_PATH="$libdir" "$work/consumer-pc"
echo "package: both ways work"
