#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build tree and checks it as a user would meet it: what it
# holds, what it depends on, that the installed program runs from any directory (unpacked into a
# scratch root), that its desktop entry, metadata and manual page are valid, and lintian where it
# is installed.
#   Tests/Package/check-package.sh <build directory>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  exit 1
}
deb=$(ls "$work"/out/keyvane_*.deb)
echo "Built $(basename "$deb") ($(du -h "$deb" | cut -f1))"

# What it holds.
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
arch=$(dpkg-deb -f "$deb" Architecture)
for path in /usr/bin/keyvane /usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/keyvane/keyvane-live.so /usr/share/keyvane/keyvane_rules.json \
  /usr/share/keyvane/secure_prompts.json /usr/share/keyvane/vocabulary_en.marisa \
  /usr/share/keyvane/vocabulary_ru.marisa /usr/share/keyvane/vocabulary_uk.marisa \
  /usr/share/applications/keyvane.desktop /usr/share/metainfo/com.keyvane.app.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/keyvane.svg /usr/share/icons/hicolor/16x16/apps/keyvane.png \
  /usr/share/icons/hicolor/22x22/apps/keyvane.png /usr/share/icons/hicolor/48x48/apps/keyvane.png \
  /usr/share/icons/hicolor/256x256/apps/keyvane.png /usr/share/man/man1/keyvane.1.gz \
  /usr/share/keyvane/tray/EN-22.png /usr/share/keyvane/tray/none-22-dim.png \
  /usr/share/doc/keyvane/copyright /usr/share/doc/keyvane/changelog.gz /usr/share/doc/keyvane/NOTICE.txt; do
  grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done
if grep -v '^/usr/' "$work/contents" | grep -qv '^/$'; then
  fail "files outside /usr: $(grep -v '^/usr/' "$work/contents" | grep -v '^/$' | tr '\n' ' ')"
fi

# What it depends on: found by dpkg-shlibdeps, not listed by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libicu72 libqt6core6 libqt6gui6 libx11-6 libxi6 libxtst6 libxkbcommon-x11-0 \
  libmarisa0 libsimdjson14; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ "$(dpkg-deb -f "$deb" Recommends)" == *at-spi2-core* ]] || fail "at-spi2-core is not recommended"
[[ "$arch" == "$(dpkg --print-architecture)" ]] || fail "architecture $arch"

# The installed program, unpacked into a scratch root, run from / with an empty home.
root="$work/root"
dpkg-deb -x "$deb" "$root"
mkdir -p "$work/home"
run() { (cd / && env -u DISPLAY HOME="$work/home" XDG_DATA_HOME= XDG_CONFIG_HOME= "$root/usr/bin/keyvane" "$@"); }
version=$(run --version | head -1)
[[ "$version" == "keyvane $(dpkg-deb -f "$deb" Version)" ]] || fail "--version says \"$version\""
run --help >"$work/help.txt" || fail "--help failed"
grep -q -- "--pause-until-restart" "$work/help.txt" || fail "--help does not list --pause-until-restart"
if run --test >"$work/selftest.log" 2>&1; then
  echo "--test: $(tail -1 "$work/selftest.log")"
else
  fail "--test failed: $(tail -5 "$work/selftest.log")"
fi
# A new user's only active language is English, so the word is diagnosed but has nowhere to go;
# with Russian active it becomes the Russian word.
run -input ghbdtn >"$work/input.log" 2>&1 || fail "-input ghbdtn failed: $(tail -5 "$work/input.log")"
grep -q "Decision" "$work/input.log" || fail "-input ghbdtn gives no decision: $(head -20 "$work/input.log")"
run -input ghbdtn -languages en,ru,uk >"$work/input.log" 2>&1 || fail "-input ghbdtn -languages en,ru,uk failed"
grep -q "привет" "$work/input.log" || fail "-input ghbdtn does not give привет: $(head -30 "$work/input.log")"
set +e
run --no-such-option >/dev/null 2>"$work/unknown.log"
status=$?
set -e
[[ $status -eq 2 ]] || fail "an unknown option exits with $status, not 2"
grep -q "^Usage: keyvane" "$work/unknown.log" || fail "an unknown option does not show the usage line"
# Without a display the live program says why and stops, having found its module.
set +e
run >"$work/live.log" 2>&1
set -e
grep -q "needs an X11 session" "$work/live.log" || fail "the live program without a display: $(cat "$work/live.log")"

# Desktop entry, metadata and manual page.
desktop-file-validate "$root/usr/share/applications/keyvane.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/com.keyvane.app.metainfo.xml" ||
  fail "appstreamcli validate"
manWarnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/keyvane.1.gz" 2>&1 >/dev/null)
[[ -z "$manWarnings" ]] || fail "the manual page has warnings: $manWarnings"

if command -v lintian >/dev/null; then
  lintian --fail-on error --info "$deb" || fail "lintian reports errors"
else
  echo "lintian is not installed: not run"
fi

# The IBus engine's own package: the engine where its component file says it is.
ibus_deb=$(ls "$work"/out/keyvane-ibus_*.deb 2>/dev/null || true)
if [[ -n "$ibus_deb" ]]; then
  dpkg-deb -x "$ibus_deb" "$work/ibus-root"
  component=$work/ibus-root/usr/share/ibus/component/keyvane.xml
  [[ -f "$component" ]] || fail "keyvane-ibus has no component file"
  engine=$(sed -n 's|.*<exec>\([^ <]*\).*|\1|p' "$component")
  [[ "$engine" == /usr/libexec/ibus-engine-keyvane && -x "$work/ibus-root$engine" ]] ||
    fail "the component file starts \"$engine\", which keyvane-ibus does not hold"
  [[ "$(dpkg-deb -f "$ibus_deb" Depends)" == *"keyvane (= $(dpkg-deb -f "$deb" Version))"* ]] ||
    fail "keyvane-ibus does not depend on this keyvane"
  if command -v lintian >/dev/null; then
    lintian --fail-on error --info "$ibus_deb" || fail "lintian reports errors in keyvane-ibus"
  fi
else
  fail "no keyvane-ibus package was built"
fi

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "The package is sound."
