#!/usr/bin/env bash
# Installs the build folder $1 into a temporary prefix and checks what landed there.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/usr/local" >/dev/null

status=0
for f in bin/velmo share/velmo/velmo.rtf share/velmo/velmo.html \
         share/applications/app.velmo.Velmo.desktop share/metainfo/app.velmo.Velmo.metainfo.xml \
         share/icons/hicolor/scalable/apps/velmo.svg \
         share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/velmo.png; do
  if [ ! -s "$stage/usr/local/$f" ]; then
    echo "missing: $f"
    status=1
  fi
done
[ -x "$stage/usr/local/bin/velmo" ] || { echo "velmo is not executable"; status=1; }
grep -q '^Exec=velmo %F$' "$stage/usr/local/share/applications/app.velmo.Velmo.desktop" \
  || { echo "the desktop entry does not open files with velmo %F"; status=1; }

skipped=0
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$stage/usr/local/share/applications/app.velmo.Velmo.desktop" || status=1
else
  echo "desktop-file-validate is not installed"; skipped=1
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$stage/usr/local/share/metainfo/app.velmo.Velmo.metainfo.xml" || status=1
else
  echo "appstreamcli is not installed"; skipped=1
fi
[ $status -ne 0 ] && exit $status
[ $skipped -ne 0 ] && exit 77
echo "installed files are complete and valid"
