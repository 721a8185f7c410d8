#!/usr/bin/env bash
# Builds the Debian package from the build folder given (default build/), unpacks it into a temporary root and
# checks what a desktop needs is there: the program, its menu entry, its icons, its AppStream metadata and the
# licences, with the run-time dependencies declared; then validates the menu entry and the metadata as installed.
set -euo pipefail
build=$(realpath "${1:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/vexolo-playlist-setup_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single package made"; ls -l "$work/out"; exit 1; }
deb=${debs[0]}
root="$work/root"
dpkg-deb -x "$deb" "$root"

fail=0
need() {
    if [ ! "$1" "$root/$2" ]; then
        echo "missing from the package: $2"
        fail=1
    fi
}
need -x usr/bin/vexolo-playlist-setup
need -f usr/share/applications/vexolo-playlist-setup.desktop
need -f usr/share/icons/hicolor/256x256/apps/vexolo-playlist-setup.png
need -f usr/share/icons/hicolor/scalable/apps/vexolo-playlist-setup.svg
need -f usr/share/metainfo/com.quillmere.VexoloPlaylistSetup.metainfo.xml
need -f usr/share/doc/vexolo-playlist-setup/LICENSE
need -f usr/share/doc/vexolo-playlist-setup/fonts/OFL.txt

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6printsupport6 libqt6multimedia6 libtag1v5 libgit2 gstreamer1.0-plugins-good; do
    if [[ "$depends" != *"$library"* ]]; then
        echo "not among the package's dependencies: $library (Depends: $depends)"
        fail=1
    fi
done
if file "$root/usr/bin/vexolo-playlist-setup" | grep -q "not stripped"; then
    echo "the packaged program carries its debug information"
    fail=1
fi

desktop-file-validate "$root/usr/share/applications/vexolo-playlist-setup.desktop" || fail=1
appstreamcli validate --no-net "$root/usr/share/metainfo/com.quillmere.VexoloPlaylistSetup.metainfo.xml" || fail=1
appstreamcli validate-tree --no-net "$root" || fail=1
# The packaged program starts and answers on the libraries it declares.
"$root/usr/bin/vexolo-playlist-setup" --version >/dev/null || { echo "the packaged program does not start"; fail=1; }

[ "$fail" -eq 0 ] && echo "$(basename "$deb"): contents, dependencies, menu entry and metadata checked"
exit "$fail"
