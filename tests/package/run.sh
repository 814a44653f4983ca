#!/usr/bin/env bash
# Installs the built library into a temporary prefix, then builds and runs the
# consumer against it twice: through find_package and through pkg-config; then
# builds it a third time with Sorrel as a sub-project of its build.
set -euo pipefail
build_dir=$1
version=$2
source_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
libdir=$(ls -d "$work"/prefix/lib*/ | head -n 1)
major=${version%%.*}
test -e "$libdir/libsorrel.so.$major" || { echo "libsorrel.so.$major not installed"; exit 1; }
test -e "$libdir/libsorrel-qt.so.$version" || { echo "the toolkit module libsorrel-qt.so.$version not installed"; exit 1; }
test "$(readlink -f "$libdir/libsorrel.so.$major" | xargs basename)" = "libsorrel.so.$version"
# grep reads to the end: with -q it would stop early and objdump's broken pipe fail the pipeline.
objdump -p "$libdir/libsorrel.so.$major" | grep "SONAME *libsorrel.so.$major\$" >/dev/null

echo "== find_package"
cmake -S "$source_dir/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" -DSORREL_VERSION="$version" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/cmake-build/consumer"

echo "== pkg-config"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
test "$(pkg-config --modversion sorrel)" = "$version"
# shellcheck disable=SC2046
c++ "$source_dir/consumer/main.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs sorrel)
LD_LIBRARY_PATH="$libdir" "$work/consumer-pc"
echo "== add_subdirectory"
cmake -S "$source_dir/subproject" -B "$work/sub-build" -G Ninja -DSORREL_SOURCE_DIR="$source_dir/../.." \
  ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
cmake --build "$work/sub-build" --target consumer >/dev/null
"$work/sub-build/consumer"
cmake --install "$work/sub-build" --prefix "$work/sub-prefix" >/dev/null
if [ -n "$(find "$work/sub-prefix" -type f 2>/dev/null)" ]; then
  echo "a host's install took Sorrel's files with it:"; find "$work/sub-prefix" -type f; exit 1
fi
echo "package: all three ways work"
