#!/usr/bin/env bash
# Builds the Debian package build-deb/pellumo_<version>_<arch>.deb (Release,
# installed under /usr, without tests, benchmarks or showcase windows) and
# checks it: lintian must report no error, and the installed AppStream
# metainfo must pass appstreamcli validate. Installs the packaging tools it
# needs besides the build's own packages.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh dpkg-dev fakeroot file lintian appstream

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian's compiler and linker flags, hardening included (fortified
# functions, full RELRO with immediate binding).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DPELLUMO_TESTS=OFF -DPELLUMO_BENCH=OFF -DPELLUMO_SHOWCASE=OFF "${launcher[@]}" >/dev/null
cmake --build build-deb -j2
rm -f build-deb/pellumo_*.deb
(cd build-deb && cpack -G DEB)
deb=$(ls build-deb/pellumo_*.deb)

echo "== lintian $deb"
lintian --fail-on error --info "$deb"

echo "== appstreamcli validate"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
appstreamcli validate --no-net --explain "$unpacked"/usr/share/metainfo/*.metainfo.xml

echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
