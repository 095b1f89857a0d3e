#!/usr/bin/env bash
# Installs the build into a scratch prefix and uses it as another program
# would: a C program built with pkg-config, the same program built through
# find_package(kelvodrv), and an installed program that finds the installed
# library by its RUNPATH.
set -euo pipefail
build=$1
source_dir=$2
# A sanitizer build's library needs programs built with the same sanitizers.
sanitizers=${3:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" > "$scratch/install.log"

pc=$(find "$prefix" -name kelvodrv.pc)
[ -n "$pc" ] || { echo "no kelvodrv.pc installed"; exit 1; }
export PKG_CONFIG_PATH=$(dirname "$pc")
flags=$(pkg-config --cflags --libs kelvodrv)
case "$flags" in
    *..*) echo "pkg-config gives paths with ..: $flags"; exit 1 ;;
    *"-I$prefix/include "*"-L$prefix/lib "*) ;;
    *) echo "pkg-config does not name the prefix's include and lib folders: $flags"; exit 1 ;;
esac
libdir=$(pkg-config --variable=libdir kelvodrv)

# The installed headers compile as C89, as the ones in the tree do.
cc -std=c89 -pedantic-errors -Werror -fsyntax-only -I"$prefix/include" "$source_dir/tests/abi/contract_c89.c"

mkdir "$scratch/run"
cc -std=c11 $sanitizers "$source_dir/tests/abi/abi_test.c" $flags -o "$scratch/with-pkg-config"
(cd "$scratch/run" && LD_LIBRARY_PATH=$libdir "$scratch/with-pkg-config")

mkdir "$scratch/project"
cat > "$scratch/project/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(uses_kelvodrv C)
find_package(kelvodrv 0.1 REQUIRED)
add_executable(with_find_package $source_dir/tests/abi/abi_test.c)
target_link_libraries(with_find_package PRIVATE kelvodrv::kelvodrv)
CMAKE
cmake -S "$scratch/project" -B "$scratch/project/build" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" > "$scratch/configure.log"
cmake --build "$scratch/project/build" > "$scratch/build.log"
(cd "$scratch/run" && "$scratch/project/build/with_find_package")

# Nothing on the library path: the installed program's RUNPATH finds the library.
env -u LD_LIBRARY_PATH "$prefix/bin/kelvodrv" --help > /dev/null
echo "installed into a scratch prefix; pkg-config, find_package and RUNPATH all hold"
