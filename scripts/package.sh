#!/usr/bin/env bash
# Builds the Debian package build/chimora_<version>_<arch>.deb from the main build: the
# programs are those the build folder already holds (cmake --install into a staging
# folder), so no second build is made. Checks the AppStream data, the desktop entry and
# the package itself (lintian: no errors allowed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
packaging=$root/packaging

"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
    BUILD_DIR="$build" "$root/scripts/configure.sh"
fi
cmake --build "$build" -j"${JOBS:-2}" \
    --target chimora chimdb_tool bell_synth chimora_template_db chimora_icons

# CHIMORA_VERSION and CHIMORA_RELEASE_DATE, as the build's CMake project has them.
# shellcheck source=/dev/null
source "$build/package.env"
arch=$(dpkg --print-architecture)
deb=$build/chimora_${CHIMORA_VERSION}_${arch}.deb
# Laid out as Debian's tools expect a package being made: debian/control beside the
# package's tree debian/chimora/.
work=$build/package
stage=$work/debian/chimora
rm -rf "$work" "$build"/chimora_*.deb
mkdir -p "$stage"
printf 'Source: chimora\n\nPackage: chimora\nArchitecture: any\n' >"$work/debian/control"

DESTDIR=$stage cmake --install "$build" --prefix /usr --strip >/dev/null
# What dh_strip also drops: the compiler's notes, of no use to anyone running the program.
strip --remove-section=.comment --remove-section=.note "$stage"/usr/bin/*

doc=$stage/usr/share/doc/chimora
install -d "$doc"
install -m 644 "$packaging/debian/copyright" "$doc/copyright"
sed -e "s/@VERSION@/$CHIMORA_VERSION/" \
    -e "s/@DATE@/$(LC_ALL=C date -u -R -d "$CHIMORA_RELEASE_DATE 12:00")/" \
    "$packaging/debian/changelog.in" >"$doc/changelog"
gzip -9n "$doc/changelog" "$stage"/usr/share/man/man1/*.1

# What a package holds is owned by root and readable by all, whatever the umask was.
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$stage"/usr/bin/*

appstreamcli validate --no-net "$stage"/usr/share/metainfo/io.github.chimora.Chimora.metainfo.xml
desktop-file-validate "$stage"/usr/share/applications/io.github.chimora.Chimora.desktop

# Depends: the libraries the programs link, as dpkg-shlibdeps finds their packages, plus
# what they load at run time without linking it: the CJK font that shows the Chinese texts
# and Qt's platform plugins, without which no window opens.
install -d "$stage/DEBIAN"
shlibs=$(cd "$work" && dpkg-shlibdeps -O debian/chimora/usr/bin/chimora debian/chimora/usr/bin/chimdb)
depends="${shlibs#shlibs:Depends=}, fonts-noto-cjk, qt6-qpa-plugins"

(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/md5sums"
installed_size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$CHIMORA_VERSION/" -e "s/@ARCH@/$arch/" \
    -e "s/@INSTALLED_SIZE@/$installed_size/" -e "s/@DEPENDS@/$depends/" \
    "$packaging/debian/control.in" >"$stage/DEBIAN/control"

dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
rm -rf "$work"
echo "Package: $deb"

if command -v lintian >/dev/null; then
    # Warnings that remain are explained in docs/packaging.md.
    status=0
    report=$(lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1) || status=$?
    grep -v '^running with root privileges is not recommended!$' <<<"$report" || true
    [ "$status" -eq 0 ] || { echo "lintian found errors in $deb" >&2; exit 1; }
fi
