#!/usr/bin/env bash
# Writes cmake/hot-path.order: the functions of our own code that a kept-alive call runs every
# time, one section name a line, for the gold linker to lay out side by side. Between the wait for
# one answer and the next, the kernel and the server run on the same cores; the fewer code pages
# the call path spans, the fewer of them it finds cold again. A name that no longer exists is
# ignored by the linker, so a stale list only loses some of the gain; run this again after a large
# change to the call path.
#
#   scripts/order-hot-path.sh [URL]...
#
# Each URL (default: the fast responder over HTTPS and over plain HTTP, which
# ../shared/bench/fast-responder/start.sh starts) is called 1,000 and then 3,000 times under
# callgrind; a function is on the hot path when the extra 2,000 calls ran it. An https URL trusts
# the CA file in KELDWICK_CA_FILE (default: the fast responder's). Needs valgrind and the default
# build.
set -euo pipefail
cd "$(dirname "$0")/.."
client=build/default/cli/keldwick-cli
[ -x "$client" ] || { echo "order-hot-path: $client is missing; build the default preset" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "order-hot-path: valgrind is missing" >&2; exit 2; }
if [ $# -eq 0 ]; then
  set -- https://127.0.0.1:18443/AccountService.asmx http://127.0.0.1:18090/AccountService.asmx
fi
ca=${KELDWICK_CA_FILE:-/tmp/keldwick-fast-tls/ca.pem}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "instructions function" for every function of the client binary in a callgrind profile.
functions_of() {
  callgrind_annotate --threshold=100 "$1" |
    awk -v bin="[$(realpath "$client")]" 'index($0, bin) {
      count = $1; gsub(",", "", count); name = $0
      sub(/^ *[0-9,]+ *(\([^)]*\) *)?/, "", name); sub(/ \[.*/, "", name); sub(/^[^:]*:/, "", name)
      print count, name }'
}

profile() { # url count output
  local tls=()
  [[ $1 == https:* ]] && tls=(--cacert "$ca")
  valgrind --tool=callgrind --demangle=no --callgrind-out-file="$3" "$client" bench \
    create-session --user demo --password demo --count "$2" --endpoint "$1" "${tls[@]}" \
    >/dev/null 2>&1 || { echo "order-hot-path: the calls to $1 failed" >&2; exit 1; }
}

n=0
for url in "$@"; do
  n=$((n + 1))
  profile "$url" 1000 "$work/$n.short"
  profile "$url" 3000 "$work/$n.long"
  # A function that grew by at least one instruction a call runs on every call.
  awk 'NR == FNR { short[$2] += $1; next } { long[$2] += $1 }
       END { for (f in long) if (long[f] - short[f] >= 2000) print f }' \
    <(functions_of "$work/$n.short") <(functions_of "$work/$n.long") >>"$work/hot"
done
# An empty list would quietly undo the layout; it means the profiles were not read as expected.
[ -s "$work/hot" ] || { echo "order-hot-path: no function of $client ran on every call" >&2; exit 1; }
{
  echo "# The functions a kept-alive call runs, written by scripts/order-hot-path.sh."
  sort -u "$work/hot" | sed 's/^/.text./'
} >cmake/hot-path.order
echo "order-hot-path: $(($(wc -l <cmake/hot-path.order) - 1)) functions in cmake/hot-path.order"
