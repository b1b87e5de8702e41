#!/usr/bin/env bash
# check_install.sh BUILD GUI: installs BUILD under /usr in a temporary DESTDIR
# and checks the tree: the programs run, the manual pages render, and the
# launcher, metainfo, file types and icons pass their validators.
set -euo pipefail
build=$1
gui=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
have() { command -v "$1" >/dev/null; }

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
usr=$dest/usr
id=example.ferrywell.Ferrywell

programs=(ferrywell-cli saving trellisgate)
[ "$gui" = ON ] && programs+=(ferrywell)
for p in "${programs[@]}"; do
  [ -x "$usr/bin/$p" ] || fail "program $p missing"
  [ -f "$usr/share/man/man1/$p.1.gz" ] || fail "manual page of $p missing"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$p.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "manual page of $p: $warnings"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$usr/share/man/man1/$p.1.gz" 2>/dev/null | grep -q "^NAME" || fail "manual page of $p does not render"
done
for p in saving trellisgate; do
  "$usr/bin/$p" --version | grep -q "^$p [0-9]" || fail "$p --version"
done
[ -f "$usr/share/doc/ferrywell/copyright" ] || fail "copyright missing"
[ -f "$usr/share/doc/ferrywell/changelog.gz" ] || fail "changelog missing"

if [ "$gui" = ON ]; then
  desktop=$usr/share/applications/$id.desktop
  metainfo=$usr/share/metainfo/$id.metainfo.xml
  [ -f "$desktop" ] || fail "launcher missing"
  [ -f "$metainfo" ] || fail "metainfo missing"
  grep -q '^Categories=Office;' "$desktop" || fail "launcher not in Office"
  grep -q '^MimeType=.*application/x-lotus-notes-dxl;' "$desktop" || fail "launcher lacks the DXL type"
  if have desktop-file-validate; then desktop-file-validate "$desktop" || fail "desktop-file-validate"; fi
  if have appstreamcli; then appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate"; fi

  # The file types: shared-mime-info compiles the package and maps the globs.
  if have update-mime-database; then
    mime=$dest/mime
    mkdir -p "$mime/packages"
    cp "$usr/share/mime/packages/ferrywell.xml" "$mime/packages/"
    update-mime-database "$mime" || fail "update-mime-database"
    grep -q 'application/x-lotus-notes-dxl:\*\.dxl' "$mime/globs" || fail "no glob for .dxl"
    grep -q 'application/vnd.lotus-notes:\*\.nsf' "$mime/globs" || fail "no glob for .nsf"
  fi

  # The user guide that Help opens, with the pictures it shows.
  guide=$usr/share/ferrywell/guide
  [ -f "$guide/index.html" ] || fail "user guide missing"
  for picture in $(grep -o 'src="[^"]*"' "$guide/index.html" | sed 's/src="\(.*\)"/\1/'); do
    [ -f "$guide/$picture" ] || fail "user guide picture $picture missing"
  done

  # Every icon sits in the folder of its size.
  for size in 16 22 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/ferrywell.png
    [ -f "$png" ] || fail "icon $size missing"
    got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png")
    [ "$got" = "${size}x${size}" ] || fail "icon $size is $got"
  done
fi
echo "install tree OK"
