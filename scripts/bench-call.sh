#!/usr/bin/env bash
# Measures a CreateSession call against any server, side by side with the raw-socket floor:
# RUNS rounds (default 15), each running `keldwick-cli bench` and then the floor program for COUNT
# calls (default 20000), and prints the median and the lowest CPU per call of each with their
# ratios. The kernel splits CPU time into user and system by sampling, and a shared machine's
# system time wanders from run to run, so one run says little: the medians show the usual case,
# the lowest totals the quietest, and the median of each round's own ratio the steadiest.
#
#   scripts/bench-call.sh [URL] [RUNS] [COUNT]
#
# For an https URL both programs trust the CA file in KELDWICK_CA_FILE beside the system store (the
# fast responder's is /tmp/keldwick-fast-tls/ca.pem); they keep one connection, so one full
# handshake serves every call.
#
# URL defaults to the fast responder (../shared/bench/fast-responder/start.sh starts it). The
# programs come from the default build; build it first (scripts/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
url=${1:-http://127.0.0.1:18090/AccountService.asmx}
runs=${2:-15}
count=${3:-20000}
client=build/default/cli/keldwick-cli
floor=build/default/bench/webservice/soap/raw_socket_floor
for program in "$client" "$floor"; do
  [ -x "$program" ] || { echo "bench-call: $program is missing; build the default preset" >&2; exit 2; }
done

# Prints "user system" (microseconds per call) from a program's "CPU per call" line.
cpu_per_call() {
  awk '/^CPU per call:/ { print $4, $7; found = 1 } END { exit !found }'
}

tls=()
if [ -n "${KELDWICK_CA_FILE:-}" ]; then
  tls=(--cacert "$KELDWICK_CA_FILE")
fi

samples=$(mktemp)
trap 'rm -f "$samples"' EXIT
for _ in $(seq "$runs"); do
  echo "keldwick $("$client" bench create-session --user demo --password demo --count "$count" \
    --endpoint "$url" "${tls[@]}" | cpu_per_call)" >>"$samples"
  echo "floor $("$floor" --endpoint "$url" --user demo --password demo --count "$count" "${tls[@]}" |
    cpu_per_call)" >>"$samples"
done

# The middle value (the lower middle one for an even count) and the lowest of numbers on stdin.
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
lowest() { sort -g | head -n 1; }
# Column `field` (2 user, 3 system, 0 their sum) of the samples of `name`.
column() {
  awk -v n="$1" -v f="$2" '$1 == n { print (f == 0 ? $2 + $3 : $f + 0) }' "$samples"
}
report() {
  printf '%-8s  median user %6.2f us, system %6.2f us, total %6.2f us; lowest total %6.2f us\n' \
    "$1" "$(column "$1" 2 | median)" "$(column "$1" 3 | median)" "$(column "$1" 0 | median)" \
    "$(column "$1" 0 | lowest)"
}
report keldwick
report floor
# Each round's two runs follow each other, so the ratio within a round cancels what changes on the
# machine between rounds; the median of those ratios is the steadiest of the three figures.
round_ratios() {
  awk '$1 == "keldwick" { k = $2 + $3 } $1 == "floor" { print k / ($2 + $3) }' "$samples"
}
awk -v a="$(column keldwick 0 | median)" -v b="$(column floor 0 | median)" \
  -v c="$(column keldwick 0 | lowest)" -v d="$(column floor 0 | lowest)" \
  -v e="$(round_ratios | median)" -v runs="$runs" -v count="$count" 'BEGIN {
    printf "keldwick / floor: %.2f of the medians, %.2f of the lowest totals, %.2f the median " \
      "round (%d runs of %d calls)\n", a / b, c / d, e, runs, count }'
