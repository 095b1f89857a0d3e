#!/usr/bin/env bash
# The two packages as dpkg-deb shows them: their names, version and
# dependencies, which files each holds and which it must not; the files a
# desktop and AppStream read validate; the programs carry no RUNPATH and the
# pkg-config file names /usr. Then lintian: an error fails, and so does a
# warning that README's lintian notes do not explain.
set -euo pipefail
build=$1
source_dir=$2
version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

kelvor=$(ls "$build"/packages/kelvor_"$version"_*.deb)
dev=$(ls "$build"/packages/libkelvodrv-dev_"$version"_*.deb)

field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$kelvor" Package)" = kelvor ] || fail "kelvor's package name"
[ "$(field "$dev" Package)" = libkelvodrv-dev ] || fail "the -dev package's name"
for deb in "$kelvor" "$dev"; do
    [ "$(field "$deb" Version)" = "$version" ] || fail "$deb is not version $version"
done
depends=$(field "$kelvor" Depends)
# From dpkg-shlibdeps (the Qt, libburn and C++ libraries) and what is loaded at run time.
for needed in libqt6widgets6 libqt6printsupport6 libburn4 libstdc++6 libqt6svg6 fonts-liberation; do
    [[ "$depends" == *"$needed"* ]] || fail "kelvor does not depend on $needed: $depends"
done
for tool in g++ gcc cmake make; do
    [[ ", $depends," != *", $tool "* && ", $depends," != *", $tool,"* ]] || fail "kelvor depends on the build tool $tool"
done
[[ "$(field "$kelvor" Recommends)" == *qt6-translations-l10n* ]] || fail "Qt's Polish translations not recommended"
[[ "$(field "$dev" Depends)" == *"kelvor (= $version)"* ]] || fail "the -dev package does not depend on this kelvor"

dpkg-deb -c "$kelvor" | awk '{print $6}' | sed 's|^\./|/|' > "$scratch/kelvor.files"
dpkg-deb -c "$dev" | awk '{print $6}' | sed 's|^\./|/|' > "$scratch/dev.files"
for path in /usr/bin/kelvor /usr/bin/kelvor-cli /usr/bin/kelvodrv /usr/bin/kelvosim /usr/lib/libkelvodrv.so.0 \
    /usr/share/applications/kelvor.desktop /usr/share/icons/hicolor/scalable/apps/kelvor.svg \
    /usr/share/man/man1/kelvor.1.gz /usr/share/man/man1/kelvor-cli.1.gz \
    /usr/share/bash-completion/completions/kelvor-cli /usr/lib/udev/rules.d/70-kelvor-serial.rules \
    /usr/share/metainfo/org.example.kelvor.metainfo.xml /usr/share/doc/kelvor/instrukcja.md \
    /usr/share/doc/kelvor/screenshots/connection.png /usr/share/doc/kelvor/copyright /usr/share/doc/kelvor/changelog.gz; do
    grep -qx "$path" "$scratch/kelvor.files" || fail "kelvor lacks $path"
done
for path in /usr/include/kelvo/kelvodrv.h /usr/include/kelvo/kelvodrv_contract.h /usr/lib/libkelvodrv.so /usr/lib/pkgconfig/kelvodrv.pc \
    /usr/lib/cmake/kelvodrv/kelvodrvConfig.cmake /usr/share/doc/libkelvodrv-dev/copyright; do
    grep -qx "$path" "$scratch/dev.files" || fail "libkelvodrv-dev lacks $path"
done
! grep -E '^/usr/include/|\.pc$|/cmake/|/libkelvodrv\.so$' "$scratch/kelvor.files" || fail "kelvor holds development files"
! grep -E '^/usr/bin/|\.so\.' "$scratch/dev.files" || fail "libkelvodrv-dev holds the programs or the library"

dpkg-deb -x "$kelvor" "$scratch/root"
dpkg-deb -x "$dev" "$scratch/root"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/org.example.kelvor.metainfo.xml"
grep -q "<release version=\"$version\"" "$scratch/root/usr/share/metainfo/org.example.kelvor.metainfo.xml" \
    || fail "the AppStream release is not $version"
desktop-file-validate "$scratch/root/usr/share/applications/kelvor.desktop"
grep -qx 'Exec=/usr/bin/kelvor' "$scratch/root/usr/share/applications/kelvor.desktop" || fail "the entry's Exec"
for program in "$scratch"/root/usr/bin/* "$scratch"/root/usr/lib/libkelvodrv.so.*.*; do
    ! readelf -d "$program" | grep -E 'RUNPATH|RPATH' || fail "$program has a RUNPATH"
done
grep -qx 'prefix=/usr' "$scratch/root/usr/lib/pkgconfig/kelvodrv.pc" || fail "kelvodrv.pc's prefix is not /usr"
for page in "$source_dir"/docs/man/*.1; do
    head -1 "$page" | grep -q "\"kelvor $version\"" || fail "$(basename "$page") names another version"
done

# lintian's tags, errors first; each warning must be one README explains.
lintian --tag-display-limit 0 --display-level '>=warning' "$kelvor" "$dev" > "$scratch/lintian.out" 2>&1 || true
cat "$scratch/lintian.out"
! grep -q '^E: ' "$scratch/lintian.out" || fail "lintian reports errors"
grep '^W: ' "$scratch/lintian.out" | awk '{print $3}' | sort -u > "$scratch/warnings"
while read -r tag; do
    grep -q "\`$tag\`" "$source_dir/README.md" || fail "lintian warns $tag, which README does not explain"
done < "$scratch/warnings"
echo "packages checked; lintian warnings, all explained in README: $(tr '\n' ' ' < "$scratch/warnings")"
