#!/bin/sh
# Builds the Debian package from the build folder BUILD into a scratch folder
# and checks it as a Debian archive would: the control fields, the files it
# holds, lintian (no error) and the metainfo (appstreamcli validate).
# Usage: check_package.sh BUILD SCRATCH
set -eu
build=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
fail() { echo "check_package: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$scratch"/qrt58_*.deb)

# Control fields: the libraries dpkg-shlibdeps found, and the plugins named by hand.
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends Suggests Section >"$scratch/control"
cat "$scratch/control"
grep -qx "Package: qrt58" "$scratch/control" || fail "package name"
grep -q "^Version: [0-9]" "$scratch/control" || fail "no version"
for dep in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6svg6 libc6; do
    grep "^Depends:" "$scratch/control" | grep -Eq "(: |, )$dep( |,|$)" || fail "Depends lacks $dep"
done
grep -qx "Recommends: i2c-tools" "$scratch/control" || fail "Recommends"
grep -qx "Suggests: libqt6sql6-psql, postgresql" "$scratch/control" || fail "Suggests"
dpkg-deb -I "$deb" | grep -q " postinst" || fail "no postinst (the i2c group)"

# The files: programs, manual pages, menu entry, file type, icon, metainfo,
# completion, device access.
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$scratch/files"
for f in /usr/bin/qrt58prog /usr/bin/qrt58cli \
         /usr/share/man/man1/qrt58prog.1.gz /usr/share/man/man1/qrt58cli.1.gz \
         /usr/share/applications/qrt58prog.desktop /usr/share/mime/packages/qrt58prog.xml \
         /usr/share/icons/hicolor/scalable/apps/qrt58prog.svg \
         /usr/share/metainfo/com.norvale.qrt58prog.metainfo.xml \
         /usr/share/bash-completion/completions/qrt58cli /usr/share/zsh/vendor-completions/_qrt58cli \
         /usr/lib/udev/rules.d/60-qrt58-i2c.rules /usr/lib/modules-load.d/qrt58-i2c.conf \
         /usr/share/doc/qrt58/copyright /usr/share/doc/qrt58/changelog.gz; do
    grep -qx "$f" "$scratch/files" || fail "the package lacks $f"
done
# Everything belongs to root; nothing of the build folder or the tests.
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print; bad=1} END {exit bad}' || fail "files not owned by root"
! grep -Eq "test_|qrt58bench|/usr/share/mime/mime.cache|CMakeFiles" "$scratch/files" || fail "stray files"

# lintian: no error (warnings are shown).
lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian" 2>&1 || lintian_failed=1
grep -v "running with root privileges" "$scratch/lintian" || true
[ -z "${lintian_failed:-}" ] || fail "lintian reports errors"

# The metainfo as installed.
mkdir "$scratch/root"
dpkg-deb -x "$deb" "$scratch/root"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/com.norvale.qrt58prog.metainfo.xml" ||
    fail "appstreamcli validate"
rm -rf "$scratch"
echo "check_package: ok"
