#!/usr/bin/env bash
# Installs the Debian packages in FOLDER (default build/release/package) with apt-get, runs the
# installed programs from an unrelated folder, and removes the packages again, whatever happened.
# Needs root (or sudo) and changes the system's packages: meant for CI machines.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
folder=$(realpath "${1:-build/release/package}")
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# Another apt-get may hold the package lock for a while; wait for it, but not for ever.
apt=("${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=300)

work=$(mktemp -d)
pids=()
# Asks a process to end and gives it five seconds before it is killed.
stop() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  # Last started first: the X server goes only after the programs that use it, which would
  # otherwise report its loss.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    stop "${pids[i]}"
  done
  "${apt[@]}" purge -y -qq keldwick keldwick-account-service >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"${apt[@]}" install -y -qq --no-install-recommends \
  "$folder"/keldwick_*_amd64.deb "$folder"/keldwick-account-service_*_all.deb
cd "$work"
fail() { echo "check-installed: $*" >&2; exit 1; }

[ "$(command -v keldwick)" = /usr/bin/keldwick ] || fail "keldwick is not in /usr/bin"
keldwick --version | tee version.txt
grep -q "^Nimbrel FTP Server Keldwick " version.txt || fail "keldwick --version printed no version"
keldwick-cli --version | cmp -s - version.txt || fail "the two programs print different versions"

keldwick-cli names | tee names.txt
[ -s names.txt ] || fail "keldwick-cli names printed nothing"

# A string from the compiled-in string table, drawn: a found string has a width.
keldwick-cli render-tip --lines '<string idres=101>' --out tip.png | tee tip.txt
grep -Eq '^size: [1-9][0-9]* x [1-9]' tip.txt || fail "the string table's text was not drawn"
[ -s tip.png ] || fail "render-tip wrote no picture"

# The help buttons of the installed program, on a virtual display, open their topics. The main
# dialog is 331 x 311 dialog units; the buttons' centres are at (52, 298) and (156, 298).
waitfor() {  # waitfor TENTHS COMMAND...: runs COMMAND until it succeeds, at most TENTHS times
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>display.txt 2>/dev/null &
pids+=($!)
waitfor 100 test -s display.txt || fail "Xvfb did not start"
DISPLAY=":$(cat display.txt)"
export DISPLAY
KELDWICK_ENDPOINT=http://127.0.0.1:9/ XDG_CONFIG_HOME="$work/config" keldwick &
pids+=($!)
waitfor 200 xdotool search --onlyvisible --name "^Nimbrel FTP Server Keldwick$" ||
  fail "the Keldwick window did not open"
window=$(xdotool search --onlyvisible --name "^Nimbrel FTP Server Keldwick$" | head -n1)
eval "$(xdotool getwindowgeometry --shell "$window")"
for button in "52 Keldwick Tutorial" "156 Keldwick Troubleshooting"; do
  read -r x title <<<"$button"
  xdotool windowraise "$window"
  xdotool mousemove --window "$window" $((WIDTH * x / 331)) $((HEIGHT * 298 / 311)) click 1
  waitfor 100 xdotool search --onlyvisible --name "^$title" || fail "help \"$title\" not shown"
  echo "check-installed: help shows \"$title\""
done

# The installed reference service answers the installed client.
keldwick-account-service --port 0 --outbox "$work/outbox" --quiet > service.txt &
pids+=($!)
for _ in $(seq 100); do
  grep -q "listening on" service.txt 2>/dev/null && break
  sleep 0.1
done
endpoint=$(sed -n 's/^account-service: listening on //p' service.txt)
[ -n "$endpoint" ] || fail "the account service did not start"
keldwick-cli create-session --user demo --password demo --endpoint "$endpoint" | tee session.txt
# The installed service serves its description too.
keldwick-cli fetch "$endpoint?WSDL" > service.wsdl 2>/dev/null || fail "the WSDL could not be fetched"
grep -q 'soap:address' service.wsdl || fail "the account service serves no WSDL"
echo "check-installed: the installed programs work"
