#!/usr/bin/env bash
# Times doSHAOnFile against `openssl dgst -sha1` and `sha1sum` on one 1 GiB file held in the
# page cache, in one run, and prints the ratios. Best of five runs each.
#   bench/pelnix_file_bench.sh [build dir]     (default build/release)
set -euo pipefail
build=${1:-build/release}
driver="$build/bench/pelnix_sha1_file"
[ -x "$driver" ] || { echo "build $driver first (./dev bench builds it)"; exit 2; }
file=$(mktemp --tmpdir pelnix-bench-XXXXXX)
trap 'rm -f "$file"' EXIT
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null # into the page cache

best() { # best <command...>: the best wall time of five runs, in seconds
    local best=999999 start end
    for _ in 1 2 3 4 5; do
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (t < b ? t : b) }')
    done
    echo "$best"
}

ours=$(best "$driver" "$file")
openssl=$(best openssl dgst -sha1 "$file")
sha1sum=$(best sha1sum "$file")
printf 'doSHAOnFile        %6.3f s\n' "$ours"
printf 'openssl dgst -sha1 %6.3f s   ratio doSHAOnFile/openssl = %.3f\n' "$openssl" "$(awk -v a="$ours" -v b="$openssl" 'BEGIN { print a / b }')"
printf 'sha1sum            %6.3f s   ratio doSHAOnFile/sha1sum = %.3f\n' "$sha1sum" "$(awk -v a="$ours" -v b="$sha1sum" 'BEGIN { print a / b }')"
