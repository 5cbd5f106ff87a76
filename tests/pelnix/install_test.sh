#!/usr/bin/env bash
# install_test.sh <build dir> <example source dir> <extra C flags>
set -euo pipefail
build=$1 example=$2 cflags=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
test -f "$scratch/prefix/include/pelnix.h"

expect_abc=A9993E364706816ABA3E25717850C26C9CD0D89D
printf 'abc' >"$scratch/abc.txt"

check() { # check <program> <label>
    local got
    got=$("$1" abc)
    [ "$got" = "$expect_abc" ] || { echo "$2: doSHA gave '$got'"; exit 1; }
    got=$("$1" -f "$scratch/abc.txt" 2>"$scratch/progress")
    [ "$got" = "$expect_abc" ] || { echo "$2: pelnix_sha1_file gave '$got'"; exit 1; }
    grep -q '100%' "$scratch/progress" || { echo "$2: no progress shown"; exit 1; }
    if "$1" -f "$scratch/missing" >/dev/null 2>"$scratch/reason"; then
        echo "$2: a missing file was reported as hashed"; exit 1
    fi
    grep -q 'no such file' "$scratch/reason" || { echo "$2: no reason given"; exit 1; }
    if "$1" -f "$scratch" >/dev/null 2>"$scratch/reason"; then
        echo "$2: a directory was reported as hashed"; exit 1
    fi
    grep -q 'is a directory' "$scratch/reason" || { echo "$2: no reason given"; exit 1; }
    echo "$2: ok"
}

# A CMake project using the package.
cmake -S "$example" -B "$scratch/cmake-build" -G Ninja -DCMAKE_PREFIX_PATH="$scratch/prefix" \
      -DCMAKE_C_FLAGS="$cflags" >/dev/null
cmake --build "$scratch/cmake-build" >/dev/null
check "$scratch/cmake-build/pelnix_example" "find_package"

# A plain compiler call using pkg-config.
pc_dir=$(dirname "$(find "$scratch/prefix" -name pelnix.pc)")
# shellcheck disable=SC2046,SC2086
cc $cflags "$example/pelnix_example.c" -o "$scratch/pc_example" \
   $(PKG_CONFIG_PATH="$pc_dir" pkg-config --cflags --libs pelnix)
LD_LIBRARY_PATH=$(dirname "$(find "$scratch/prefix" -name 'libpelnix.so' | head -n 1)") \
    check "$scratch/pc_example" "pkg-config"
