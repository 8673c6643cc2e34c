#!/usr/bin/env bash
# Builds the Release programs and makes the Debian packages in build/release/package:
#   keldwick_<version>_amd64.deb                  the programs, help, desktop entry, icons, manuals
#   keldwick-account-service_<version>_all.deb    the reference account service
# then checks them: the desktop entry and AppStream metadata as they are installed, and lintian on
# each package (any error fails). Install: apt-get install ./build/release/package/keldwick_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package
cmake --preset release >/dev/null
cmake --build --preset release
out=build/release/package
rm -rf "$out"
cpack --preset release >/dev/null

shopt -s nullglob
client=("$out"/keldwick_*_amd64.deb)
service=("$out"/keldwick-account-service_*_all.deb)
if [ ${#client[@]} -ne 1 ] || [ ${#service[@]} -ne 1 ]; then
  echo "package: the packages were not made" >&2
  exit 1
fi

# The installed files, as dpkg would lay them out.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "${client[0]}" "$root"
desktop-file-validate "$root"/usr/share/applications/keldwick.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

for deb in "${client[0]}" "${service[0]}"; do
  echo "package: lintian $deb"
  lintian --fail-on error --info "$deb"
done
echo "package: made ${client[0]} ${service[0]}"
