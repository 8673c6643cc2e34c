#!/usr/bin/env bash
# Installs what is missing, builds Keldwick and runs it against the reference account service,
# which it starts on 127.0.0.1 and stops again when Keldwick closes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
Keldwick is a desktop program and no display was found (neither DISPLAY nor WAYLAND_DISPLAY is set).
Run this command from a desktop session, or start a virtual display first, for example:
    Xvfb :99 & DISPLAY=:99 scripts/run.sh
The headless front end works without a display: build/default/cli/keldwick-cli --help
MSG
  exit 2
fi

service_pid=""
if [ -x tools/account-service/account-service ] && [ -z "${KELDWICK_ENDPOINT:-}" ]; then
  port=${KELDWICK_DEMO_PORT:-8731}
  tools/account-service/account-service --port "$port" &
  service_pid=$!
  trap 'kill "$service_pid" 2>/dev/null || true' EXIT
  export KELDWICK_ENDPOINT="http://127.0.0.1:$port/keldwick/AccountService.asmx"
fi

build/default/app/keldwick "$@"
