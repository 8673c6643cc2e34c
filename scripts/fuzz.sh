#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60) on its corpus.
# New inputs found go to a scratch folder, never into the committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/setup.sh
cmake --preset fuzz >/dev/null
# Only the fuzz programs and what they link: the rest of the tree is built by the other presets.
targets=$(ninja -C build/fuzz -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' | sort -u)
[ -n "$targets" ] || { echo "fuzz: no targets"; exit 0; }
# shellcheck disable=SC2086
cmake --build --preset fuzz --target $targets
# A target's build folder mirrors its source folder, where its corpus lives.
for target in $(find build/fuzz/fuzz -type f -name 'fuzz_*' -perm -u+x | sort); do
  name=$(basename "$target")
  corpus=$(dirname "${target#build/fuzz/}")/corpus
  scratch=$(mktemp -d)
  echo "fuzz: $name for ${seconds}s"
  # A target may tighten the limits or add a dictionary in a "fuzz.options" file beside its
  # corpus (one flag per line; later flags win).
  options=()
  if [ -f "$(dirname "$corpus")/fuzz.options" ]; then
    while read -r flag; do
      [ -n "$flag" ] && options+=("${flag//@DIR@/$(dirname "$corpus")}")
    done <"$(dirname "$corpus")/fuzz.options"
  fi
  QT_QPA_PLATFORM=offscreen "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    "${options[@]}" "$scratch" "$corpus"
  rm -rf "$scratch"
done
