#!/usr/bin/env bash
# Installs the Debian packages listed in deps/*.txt that are not installed yet.
set -euo pipefail
cd "$(dirname "$0")/.."
wanted=$(cat deps/*.txt | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for p in $wanted; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# npm is its own Debian package, but some builds of nodejs bring it along.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The JavaScript readers the PST and MSG tests check files with, at the
# versions tests/npm/package-lock.json pins; reinstalled when the pins change.
npm_dir=tests/npm
if [ ! -f "$npm_dir/node_modules/.package-lock.json" ] ||
   [ "$npm_dir/package-lock.json" -nt "$npm_dir/node_modules/.package-lock.json" ]; then
  echo "Installing the test readers of $npm_dir"
  (cd "$npm_dir" && npm ci --no-audit --no-fund --loglevel=error)
fi
