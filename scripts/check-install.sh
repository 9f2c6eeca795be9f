#!/usr/bin/env bash
# Checks what a user installs: `cmake --install` into a temporary prefix and
# the Debian package from cpack, each unpacked and started offscreen from
# another working directory. Usage: scripts/check-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check-install.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "check-install: $*" >&2; exit 1; }

# Starts an installed quenlo on a fresh profile from / and prints what its
# start-up showed in the transcript.
start_installed() {
  (cd / && QT_QPA_PLATFORM=offscreen timeout 60 "$1" --dir "$2" --startup-check)
}

expect_started() {
  local what=$1 output=$2
  grep -q "quenlo: started in" <<<"$output" || fail "$what: the program did not start: $output"
  if grep -q "FATAL ERROR" <<<"$output"; then fail "$what: the protocol library was not found: $output"; fi
  for module in user_parley.so user_shun.so; do
    grep -q "Loaded user module '$module'." <<<"$output" || fail "$what: $module was not loaded: $output"
  done
}

echo "== Install into a temporary prefix =="
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
for f in bin/quenlo bin/tocd "$libdir/quenlo/libtocwire.so" \
         "$libdir/quenlo/modules/user_shun.so" "$libdir/quenlo/modules/user_parley.so" \
         share/applications/quenlo.desktop share/metainfo/org.quenlo.Quenlo.metainfo.xml \
         share/man/man1/quenlo.1.gz share/man/man1/tocd.1.gz share/icons/hicolor/scalable/apps/quenlo.svg \
         include/quenlo/user_module.h include/quenlo/module_defaults.h include/quenlo/normalize_name.h \
         include/quenlo/markup_text.h share/quenlo-dev/user_module.map share/doc/quenlo-dev/MODULES.md \
         share/doc/quenlo-dev/examples/hello_module/hello_module.cpp \
         share/doc/quenlo-dev/examples/hello_module/CMakeLists.txt \
         "$libdir/pkgconfig/quenlo-module.pc"; do
  [ -e "$prefix/$f" ] || fail "missing after install: $f"
done
for size in 16 32 48 64 128 256; do
  [ -e "$prefix/share/icons/hicolor/${size}x${size}/apps/quenlo.png" ] || fail "missing icon ${size}x${size}"
done
desktop-file-validate "$prefix/share/applications/quenlo.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.quenlo.Quenlo.metainfo.xml" >/dev/null
expect_started "installed program" "$(start_installed "$prefix/bin/quenlo" "$work/profile-installed")"

echo "== A module built against the installed SDK alone =="
# The example defines only Initialize and OnUserCommand (module_defaults.h
# supplies the rest), calls NormalizeName and parents a QTimer to the main
# window. Built as the SDK header tells authors to, nothing of the client
# linked and every symbol resolved at link time, and with its own CMake file.
src=$(cd "$(dirname "$0")/.." && pwd)
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
hello=$work/hello
mkdir -p "$hello"
# pkg-config's paths are plain: no "..", no "//".
paths=$(pkg-config --cflags --variable=versionscript quenlo-module; pkg-config --variable=moduledir quenlo-module)
if grep -Eq '/\.\./|//' <<<"$paths"; then fail "pkg-config paths are not normalised: $paths"; fi
# The example as the installed guide ships it, built with the README's line.
example=$prefix/share/doc/quenlo-dev/examples/hello_module
module_build() {  # OUTPUT SOURCE [extra flags...]
  local out=$1 source=$2
  shift 2
  # shellcheck disable=SC2046 # the flags are meant to split
  "${CXX:-c++}" -std=c++20 -O2 -Wall -Wextra -Werror -shared -fPIC -fvisibility=hidden \
    $(pkg-config --cflags quenlo-module Qt6Widgets) -o "$out" "$source" "$@" \
    -Wl,--no-undefined -Wl,--version-script="$(pkg-config --variable=versionscript quenlo-module)"
}
module_build "$hello/user_hello.so" "$example/hello_module.cpp" $(pkg-config --libs Qt6Widgets) \
  || fail "the example module does not build against the installed SDK"
cmake -S "$example" -B "$hello/cmake-build" -G Ninja >/dev/null
cmake --build "$hello/cmake-build" >/dev/null || fail "the example's CMake build failed"
# Only entry points are exported, from both builds.
entries='^(Initialize|Shutdown|OnServerCommand|OnUserCommand|OnSendIM|OnReceiveIM|OnConnect|OnDisconnect|[A-Za-z]+ZORVANE)$'
for built in "$hello/user_hello.so" "$hello/cmake-build/user_hello.so"; do
  exported=$(nm -D --defined-only "$built" | awk '{ print $NF }')
  for entry in Initialize Shutdown OnServerCommand OnUserCommand OnSendIM OnReceiveIM OnConnect OnDisconnect; do
    grep -qx "$entry" <<<"$exported" || fail "the example does not export $entry"
  done
  extra=$(grep -Ev "$entries" <<<"$exported" || true)
  [ -z "$extra" ] || fail "$built exports more than its entry points: $extra"
done
# A misspelt hook is a compile error, not a hook that is never called.
cat >"$hello/misspelt.cpp" <<'MODULE'
#include <module_defaults.h>
namespace {
int Received(const char*, const char*) { return 0; }
}
QUENLO_USER_MODULE({ .OnRecieveIM = Received });
MODULE
if module_build "$hello/user_misspelt.so" "$hello/misspelt.cpp" 2>"$hello/misspelt.log"; then
  fail "a module with the misspelt hook OnRecieveIM compiled"
fi
grep -q "OnRecieveIM" "$hello/misspelt.log" || fail "the misspelt hook's error does not name it: $(cat "$hello/misspelt.log")"
profile=$work/profile-hello
mkdir -p "$profile/modules"
cp "$hello/user_hello.so" "$profile/modules/"
status=0
output=$(start_installed "$prefix/bin/quenlo" "$profile") || status=$?
[ "$status" -eq 0 ] || fail "the client with the example module exited with status $status: $output"
grep -q "Loaded user module 'user_hello.so'." <<<"$output" || fail "the example module was not loaded: $output"
grep -q "STATUS MESSAGE: Hello, world!" <<<"$output" || fail "the example module's /hello did not answer: $output"
[ "$(stat -c %s "$profile/userinfo.cfg")" -eq 3472 ] || fail "userinfo.cfg was not saved with the example module loaded"
unset PKG_CONFIG_PATH

echo "== Debian packages =="
rm -f "$build"/quenlo_*.deb "$build"/quenlo-dev_*.deb "$build"/quenlo-dbgsym_*.ddeb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quenlo_*.deb | head -n 1)
dev=$(ls "$build"/quenlo-dev_*.deb | head -n 1)
# A build with debug information also gives the debug symbols' package.
dbgsym=$(ls "$build"/quenlo-dbgsym_*.ddeb 2>/dev/null | head -n 1 || true)
if grep -Eq '^CMAKE_BUILD_TYPE:[A-Z]+=(RelWithDebInfo|Debug)$' "$build/CMakeCache.txt"; then
  [ -n "$dbgsym" ] || fail "no quenlo-dbgsym package from a build with debug information"
fi
packages=("$deb" "$dev")
[ -z "$dbgsym" ] || packages+=("$dbgsym")
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "package dependencies miss Qt: $(dpkg-deb -f "$deb" Depends)"
for lib in libqt6keychain1 libcanberra0; do
  dpkg-deb -f "$deb" Depends | grep -q "$lib" || fail "package dependencies miss $lib: $(dpkg-deb -f "$deb" Depends)"
done
# The SDK is in quenlo-dev alone.
dev_files=$(dpkg-deb -c "$dev")
grep -q "/usr/include/quenlo/user_module.h" <<<"$dev_files" || fail "quenlo-dev lacks the SDK headers"
grep -q "/pkgconfig/quenlo-module.pc" <<<"$dev_files" || fail "quenlo-dev lacks quenlo-module.pc"
grep -q "/usr/share/doc/quenlo-dev/examples/hello_module/hello_module.cpp" <<<"$dev_files" \
  || fail "quenlo-dev lacks the example"
grep -q "/usr/share/doc/quenlo-dev/MODULES.md" <<<"$dev_files" || fail "quenlo-dev lacks the guide"
dpkg-deb -x "$dev" "$work/dev-unpacked"
grep -qx "prefix=/usr" "$work/dev-unpacked/usr/lib/"*/pkgconfig/quenlo-module.pc 2>/dev/null \
  || grep -qx "prefix=/usr" "$work/dev-unpacked/usr/lib/pkgconfig/quenlo-module.pc" \
  || fail "quenlo-dev's quenlo-module.pc does not name /usr"
if grep -q "/usr/include/" <<<"$(dpkg-deb -c "$deb")"; then fail "quenlo holds SDK headers"; fi
version=$(sed -n 's/^project(quenlo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
head -n 1 data/debian/changelog | grep -qF "quenlo ($version)" || fail "data/debian/changelog has no entry for $version"
dpkg-deb -x "$deb" "$work/unpacked"
expect_started "unpacked package" "$(start_installed "$work/unpacked/usr/bin/quenlo" "$work/profile-deb")"

echo "== lintian =="
# Every error and warning is mended, or explained: an override that a package
# ships (usr/share/lintian/overrides/PACKAGE) follows a comment saying why.
for package in "${packages[@]}"; do
  name=$(dpkg-deb -f "$package" Package)
  mkdir -p "$work/lintian/$name"
  dpkg-deb -x "$package" "$work/lintian/$name"
  overrides=$work/lintian/$name/usr/share/lintian/overrides/$name
  [ -e "$overrides" ] || continue
  unexplained=$(awk '/^#/ { said = 1; next } /^[[:space:]]*$/ { said = 0; next } { if (!said) print; said = 0 }' "$overrides")
  [ -z "$unexplained" ] || fail "lintian overrides of $name without a comment: $unexplained"
done
if ! report=$(lintian --fail-on error,warning "${packages[@]}" 2>&1); then
  fail "lintian: $report"
fi
echo "Install checks passed: $(for package in "${packages[@]}"; do basename "$package"; done | xargs)"
