#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root and checks it there: the package's
# Depends bring every library and font, the installed program opens a Shift-JIS file and an
# RTF file headless and keeps its settings in $XDG_CONFIG_HOME/velmo, and `dpkg -r` leaves
# nothing of the package behind.
#
# Run by hand, as root, with network access (not part of the ordinary test run):
#   scripts/cleaninstall.sh [package.deb] [root folder]
# Without a package it builds one in build-deb/ (program only, no tests). The root folder
# (default /work/chroot-velmo/root) is made with debootstrap once and reused; every run
# starts from a copy of it, so an earlier run leaves nothing behind.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-}
base=${2:-/work/chroot-velmo/root}
mirror=$(sed -n 's/^URIs: *\(http[^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
mirror=${mirror:-http://deb.debian.org/debian}

[ "$(id -u)" -eq 0 ] || { echo "cleaninstall.sh needs root (debootstrap, chroot, mounts)"; exit 2; }

if [ -z "$deb" ]; then
  cmake -S "$here" -B "$here/build-deb" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELMO_BUILD_TESTS=OFF -DVELMO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$here/build-deb" -j2 >/dev/null
  (cd "$here/build-deb" && cpack -G DEB >/dev/null)
  deb=$(ls -t "$here"/build-deb/velmo_*.deb | head -n1)
fi
deb=$(realpath "$deb")
echo "package: $deb"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

if [ ! -x "$base/bin/sh" ]; then
  command -v debootstrap >/dev/null || apt-get install -y debootstrap >/dev/null
  debootstrap --variant=minbase bookworm "$base" "$mirror"
fi

root=$(mktemp -d /tmp/velmo-cleanroot.XXXXXX)
cleanup() {
  for m in dev/pts dev proc; do
    mountpoint -q "$root/$m" && umount -l "$root/$m"
  done
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/velmo.deb"

# Sample documents: 「日本語のテスト」 in code page 932, and a small RTF file.
printf '\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x58\x83\x67\r\n' > "$root/tmp/sample.txt"
printf '{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 IPAMincho;}}\\f0\\fs24 Velmo \\b RTF\\b0\\par}' \
  > "$root/tmp/sample.rtf"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

status=0
fail() { echo "FAIL: $*"; status=1; }

# Everything but the package itself comes from the package's Depends.
before=$(in_root dpkg-query -W -f='${Package}\n' | sort)
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends /tmp/velmo.deb \
  >"$root/tmp/install.log" 2>&1 || { tail -n 20 "$root/tmp/install.log"; fail "apt-get install"; }
echo "installed: $(in_root dpkg-query -W -f='${Package} ${Version} ${Status}' velmo)"
in_root ldd /usr/bin/velmo | grep 'not found' && fail "libraries missing"
in_root sh -c 'ls /usr/lib/*/qt6/plugins/platforms/libqxcb.so' >/dev/null 2>&1 \
  || fail "no X11 platform plugin installed"
fonts=$(in_root fc-list :lang=ja family | sort | tr '\n' ' ')
echo "Japanese fonts: $fonts"
case $fonts in *IPAMincho*IPAGothic*|*IPAGothic*IPAMincho*) ;; *) fail "the IPA fonts are missing" ;; esac

# The recommended desktop tools, then the default for RTF as a new user sees it: on a system
# where no other program claims RTF, Velmo's entry is the one the desktop opens RTF files with.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  xdg-utils desktop-file-utils >/dev/null 2>&1 || fail "installing xdg-utils and desktop-file-utils"
for type in text/rtf application/rtf; do
  got=$(in_root env HOME=/tmp/newuser XDG_CONFIG_HOME=/tmp/newuser/.config \
          XDG_DATA_HOME=/tmp/newuser/.local/share xdg-mime query default "$type")
  echo "xdg-mime query default $type: $got"
  [ "$got" = app.velmo.Velmo.desktop ] || fail "$type does not open with Velmo"
done

# The installed program, headless, as a new user: the first start (which writes the settings
# and shows the guide), then once with each sample, which the file history then names. The
# program stays up until it is stopped: a run counts when the process is still alive after
# its settings name what was asked of it.
ini="$root/tmp/config/velmo/velmo.ini"   # lines end in CR LF
mkdir -p -m 700 "$root/run/user/0"
rm -rf "$root/tmp/config"
for doc in "" sample.txt sample.rtf; do
  # exec: $! is then the timeout process, which hands the final kill on to velmo
  (exec chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
     QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=/tmp/config XDG_RUNTIME_DIR=/run/user/0 \
     timeout 20 /usr/bin/velmo ${doc:+"/tmp/$doc"} >"$root/tmp/run.log" 2>&1) &
  pid=$!
  seen() { [ -s "$ini" ] && { [ -z "$doc" ] || grep -q "=/tmp/$doc"$'\r\\?$' "$ini"; }; }
  for _ in $(seq 1 200); do
    seen && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if seen && kill -0 "$pid" 2>/dev/null; then
    echo "velmo ${doc:-(first start)}: running; \$XDG_CONFIG_HOME/velmo/velmo.ini ${doc:+names /tmp/$doc}"
  else
    cat "$root/tmp/run.log"; fail "velmo ${doc:-(first start)} did not start or its settings are not there"
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
done
grep -q '^\[Window\]' "$ini" && echo "settings file: $(wc -l < "$ini") lines, [Window] and [Velmo] sections"

# Removing the package leaves none of its files (the libraries it pulled in stay, as usual).
files=$(in_root dpkg -L velmo | grep -v '^/\.$')
in_root dpkg -r velmo >/dev/null
left=""
for f in $files; do
  if [ -f "$root$f" ] || { [ -d "$root$f" ] && [ "$f" = /usr/share/velmo ]; }; then left="$left $f"; fi
done
grep -q velmo "$root/usr/share/applications/mimeinfo.cache" && left="$left (mimeinfo.cache)"
[ -z "$left" ] || fail "left behind after dpkg -r:$left"
state=$(in_root dpkg-query -W -f='${Status}' velmo 2>/dev/null || echo "not known to dpkg")
echo "after dpkg -r: $state"
case $state in *" installed") fail "dpkg still lists velmo as installed" ;; esac
echo "packages the install pulled in: $(comm -13 <(echo "$before") <(in_root dpkg-query -W -f='${Package}\n' | sort) | wc -l)"

[ $status -eq 0 ] && echo "clean install: OK"
exit $status
