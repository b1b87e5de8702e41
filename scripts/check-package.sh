#!/usr/bin/env bash
# Checks the Debian package that make package built:
#   scripts/check-package.sh [BUILD]
# lintian reports no errors; the files extract with dpkg-deb -x; the programs
# run from the extracted tree: --version of each, ferrywell-cli analyse of the
# sample and, once ferrywell-cli has the export command, an export of the
# sample into a PST file.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sample=$PWD/samples/names.dxl
version=$(sed -n 's/^project(Ferrywell VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$build/package/ferrywell_${version}_amd64.deb
[ -f "$deb" ] || { echo "no package at $deb" >&2; exit 1; }

echo "== $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends

# Everything the checks make goes here and is removed: lintian's own
# temporary files, and the index the programs keep of the sample.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME=$work/cache

if command -v lintian >/dev/null; then
  echo "== lintian"
  TMPDIR=$work lintian --fail-on error "$deb" || { echo "lintian found errors" >&2; exit 1; }
else
  echo "lintian is not installed (deps/desktop.txt lists it)" >&2
  exit 1
fi

dpkg-deb -x "$deb" "$work/root"
bin=$work/root/usr/bin
echo "== programs from the extracted tree"
for p in ferrywell ferrywell-cli saving trellisgate; do
  [ -x "$bin/$p" ] || { echo "$p missing from the package" >&2; exit 1; }
done
# ferrywell-cli answers --version once it has the standard options.
for p in ferrywell saving trellisgate; do
  env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$p" --version
done
"$bin/ferrywell-cli" analyse "$sample"

if "$bin/ferrywell-cli" --help 2>&1 | grep -qw export; then
  echo "== ferrywell-cli export of the sample into a PST"
  mkdir -p "$work/out" "$work/profile"
  FERRYWELL_PROFILE=$work/profile XDG_RUNTIME_DIR=$work "$bin/ferrywell-cli" export "$sample" --as pst --to "$work/out" | tail -3
  pst=$(find "$work/out" -name '*.pst' | head -1)
  [ -n "$pst" ] || { echo "the export wrote no PST file" >&2; exit 1; }
  ls -l "$pst"
fi
echo "package OK"
