#!/usr/bin/env bash
# Times pelnix_sha1_file with a progress callback and doSHAOnFile against `openssl dgst -sha1`
# and `sha1sum` on one 1 GiB file held in the page cache, in one run, and prints the ratios. The
# commands take turns, round after round, so a slower spell of the machine falls on all of them;
# each keeps its best of the rounds, in wall time and in processor time.
#   bench/pelnix_file_bench.sh [build dir] [rounds]     (default build/release, 7)
set -euo pipefail
build=${1:-build/release}
rounds=${2:-7}
driver="$build/bench/pelnix_sha1_file"
[ -x "$driver" ] || { echo "build $driver first (./dev bench builds it)"; exit 2; }
file=$(mktemp --tmpdir pelnix-bench-XXXXXX)
trap 'rm -f "$file"' EXIT
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null # into the page cache

names=(doSHAOnFile pelnix_sha1_file openssl sha1sum)
commands=("$driver $file" "$driver --progress $file" "openssl dgst -sha1 $file" "sha1sum $file")
wall=(999999 999999 999999 999999)
cpu=(999999 999999 999999 999999)

expected=$("$driver" "$file" | cut -d' ' -f1)
got=$("$driver" --progress "$file" 2>/dev/null | cut -d' ' -f1)
[ "$got" = "$expected" ] || { echo "pelnix_sha1_file gave $got, doSHAOnFile $expected"; exit 1; }
"$driver" --progress "$file" 2>&1 >/dev/null | sed 's/^/pelnix_sha1_file: /'

# Wall time, and processor time (user and system): on a busy machine the second is the steadier.
TIMEFORMAT='%R %U %S'
for ((round = 0; round < rounds; round++)); do
    for i in "${!commands[@]}"; do
        # shellcheck disable=SC2086
        read -r real user system < <({ time ${commands[$i]} >/dev/null 2>&1; } 2>&1)
        read -r "wall[i]" "cpu[i]" < <(awk -v r="$real" -v u="$user" -v s="$system" \
            -v bw="${wall[i]}" -v bc="${cpu[i]}" \
            'BEGIN { c = u + s; print (r < bw ? r : bw), (c < bc ? c : bc) }')
    done
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
printf '%-17s %8s %8s   %s\n' "" "wall" "cpu" "ratios to doSHAOnFile (wall, cpu)"
for i in "${!names[@]}"; do
    printf '%-17s %7.3fs %7.3fs' "${names[i]}" "${wall[i]}" "${cpu[i]}"
    [ "$i" -gt 0 ] && printf '   %s  %s' "$(ratio "${wall[i]}" "${wall[0]}")" "$(ratio "${cpu[i]}" "${cpu[0]}")"
    printf '\n'
done
printf 'against openssl (wall, cpu): pelnix_sha1_file %s %s, doSHAOnFile %s %s\n' \
    "$(ratio "${wall[1]}" "${wall[2]}")" "$(ratio "${cpu[1]}" "${cpu[2]}")" \
    "$(ratio "${wall[0]}" "${wall[2]}")" "$(ratio "${cpu[0]}" "${cpu[2]}")"
