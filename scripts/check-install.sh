#!/usr/bin/env bash
# Checks what a user gets: installs the build into a temporary DESTDIR and packs the Debian
# package, then holds both to data/installed-files.txt, validates the desktop entry, the
# AppStream metadata and the manual pages, and runs the installed stowkeep-batch and its
# bash completion. Reuses build/default (made by scripts/test.sh); only what is out of date
# is built.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build/default}
expected=data/installed-files.txt
app_id=org.stowkeep.Stowkeep
failures=0
fail() {
  echo "check-install: FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "check-install: ok: $*"; }

[ -f "$build/CMakeCache.txt" ] || cmake --preset default
cmake --build "$build" --target stowkeep stowkeep-batch stowkeep_man_pages stowkeep_icons

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
prefix=$stage/usr

# 1. The installed tree holds exactly the expected files.
(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort) >"$work/installed.txt"
if diff -u "$expected" "$work/installed.txt"; then
  pass "install lists the $(wc -l <"$expected") expected files"
else
  fail "installed files differ from $expected (lines with + are new, - are missing)"
fi

# 2. Desktop entry and AppStream metadata.
if desktop-file-validate "$prefix/share/applications/$app_id.desktop"; then
  pass "desktop-file-validate"
else
  fail "desktop-file-validate"
fi
if appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml"; then
  pass "appstreamcli validate"
else
  fail "appstreamcli validate"
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo has no release $version (add it to data/$app_id.metainfo.xml)"
grep -q '^Exec=stowkeep$' "$prefix/share/applications/$app_id.desktop" ||
  fail "the desktop entry does not start the installed stowkeep"

# 3. Manual pages: render without a warning, and name the current version.
for page in "$prefix"/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) ||
    fail "man cannot render $(basename "$page")"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  zcat "$page" | grep -q "^\.TH .*\"Stowkeep $version\"" || fail "$(basename "$page") is not for version $version"
done
pass "manual pages render"

# 4. Each PNG icon has the size of its folder.
for png in "$prefix"/share/icons/hicolor/*x*/apps/$app_id.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file -b "$png" | grep -q "PNG image data, ${size/x/ x }," || fail "$png is not ${size}: $(file -b "$png")"
done
pass "icon sizes"

# 5. The installed stowkeep-batch runs and works.
batch=$prefix/bin/stowkeep-batch
if "$batch" --help >"$work/help.txt" && grep -q '^usage: stowkeep-batch' "$work/help.txt" &&
  "$batch" dump --help | grep -q '^usage: stowkeep-batch .* dump FILE'; then
  pass "installed stowkeep-batch --help"
else
  fail "installed stowkeep-batch --help"
fi
"$batch" --config "$work/STOWKP.INI" --data-dir "$work" create "$work/NEW.DBF" >/dev/null &&
  "$batch" --config "$work/STOWKP.INI" --data-dir "$work" check "$work/NEW.DBF" >/dev/null ||
  fail "installed stowkeep-batch cannot create and check an inventory file"

# 6. Bash completion of the installed program.
completion=$prefix/share/bash-completion/completions/stowkeep-batch
complete_words() {
  PATH="$prefix/bin:$PATH" bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _stowkeep_batch
    printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | tr "\n" " "' _ "$completion" "$@"
}
expect_completion() {
  local want=$1
  shift
  local got
  got=$(complete_words "$@")
  [ "$got" = "$want" ] || fail "completing '$*': got '$got', expected '$want'"
}
if [ -f /usr/share/bash-completion/bash_completion ]; then
  expect_completion "check create " stowkeep-batch c
  expect_completion "dump " stowkeep-batch --config S.INI d
  expect_completion "--config --data-dir --help --order --recno " stowkeep-batch dump X.DBF --
  expect_completion "index physical " stowkeep-batch dump --order ""
  expect_completion "--config --data-dir --help " stowkeep-batch --
  pass "bash completion"
else
  fail "bash-completion is not installed"
fi

# 7. The Debian package: the same files under /usr, with library dependencies.
rm -rf "$build/package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack -G DEB"; }
deb=$(ls "$build"/package/stowkeep_*.deb 2>/dev/null | head -n 1)
if [ -n "$deb" ]; then
  dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sed 's|^\./usr/||' | LC_ALL=C sort >"$work/deb.txt"
  if diff -u "$expected" "$work/deb.txt"; then
    pass "dpkg-deb -c lists the expected files under /usr ($(basename "$deb"))"
  else
    fail "the package's files differ from $expected"
  fi
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libqt6widgets6 libqt6printsupport6 libc6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib: $depends"
  done
  pass "package depends on: $depends"
else
  fail "no package was made"
fi

if [ "$failures" -ne 0 ]; then
  echo "check-install: $failures failed" >&2
  exit 1
fi
echo "check-install: all passed"
