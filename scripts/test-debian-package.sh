#!/bin/sh
# Installs the Debian package into a bare Debian 12 root (made with
# debootstrap, minbase) and checks it there as a user of a fresh system would:
# `twilightomator demo` filters its sample, `man twilightomator` shows the
# page, and GIMP (installed from Debian into the root) lists the filter's
# procedure. Needs root and Debian's archive (network or a local mirror).
#   scripts/test-debian-package.sh [PACKAGE.deb]
# Without a package it builds one in build-package/. TWL_DEBIAN_ROOT names
# the root folder (default build-package/debian-root; made once, then reused),
# TWL_DEBIAN_MIRROR the archive (default http://deb.debian.org/debian).
set -eu
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"
ROOT="${TWL_DEBIAN_ROOT:-$PWD/build-package/debian-root}"
MIRROR="${TWL_DEBIAN_MIRROR:-http://deb.debian.org/debian}"

if [ "$(id -u)" != 0 ]; then
    echo "test-debian-package.sh: needs root (debootstrap, chroot)" >&2
    exit 2
fi
if [ $# -ge 1 ]; then
    PACKAGE=$(readlink -f "$1")
else
    cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr -DTWL_TESTS=OFF
    cmake --build build-package -j"$JOBS"
    (cd build-package && cpack -G DEB)
    PACKAGE=$(ls -t "$PWD"/build-package/twilightomator_*.deb | head -n 1)
fi
echo "package: $PACKAGE"
dpkg-deb --info "$PACKAGE" | sed -n '/Depends/p;/Suggests/p'

if [ ! -x "$ROOT/usr/bin/apt-get" ]; then
    command -v debootstrap > /dev/null || apt-get install -y --no-install-recommends debootstrap
    debootstrap --variant=minbase bookworm "$ROOT" "$MIRROR"
fi
mount --bind /proc "$ROOT/proc"
# The packages this machine has fetched already are shared with the root.
mount --bind /var/cache/apt/archives "$ROOT/var/cache/apt/archives"
trap 'umount "$ROOT/proc" "$ROOT/var/cache/apt/archives"' EXIT
cp "$PACKAGE" "$ROOT/tmp/twilightomator.deb"
in_root() { chroot "$ROOT" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
install_in_root() { in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@"; }

# man-db to read the page; then the package alone, with what it declares
# (apt takes it from Debian's archive), so that a missing dependency shows.
in_root apt-get update
install_in_root man-db
install_in_root /tmp/twilightomator.deb

in_root sh -c 'mkdir -p /tmp/demo && cd /tmp/demo && twilightomator demo'
in_root test -s /tmp/demo/twilightomator-sample-moody.png
in_root sh -c 'MANWIDTH=80 man twilightomator | head -n 12' | tee "$ROOT/tmp/man.txt"
grep -q 'twilightomator - makes images moody' "$ROOT/tmp/man.txt"

# GIMP, as a user would add it, lists the filter.
install_in_root gimp
in_root sh -c 'cd /tmp && gimp-console-2.10 -i -b "(begin (gimp-message-set-handler ERROR-CONSOLE) (gimp-message (if (= 1 (car (gimp-procedural-db-proc-exists \"plug-in-twilightomator\"))) \"procedure found\" \"procedure missing\")))" -b "(gimp-quit 0)" 2>&1' |
    tee "$ROOT/tmp/gimp.txt"
grep -q 'procedure found' "$ROOT/tmp/gimp.txt"
echo "The package works in a bare Debian 12 root."
