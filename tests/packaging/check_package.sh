#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks what a user would
# get from it: files in the right places, valid desktop metadata, declared
# dependencies, what lintian says, hardened programs, and a binary that starts.
# Usage: check_package.sh <cpack> <build dir> <icon sizes...>
set -uo pipefail

cpack="$1"
build="$2"
shift 2
sizes=("$@")

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

# Package into a private folder so a concurrent scripts/package is unaffected.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
debs=("$work"/out/quillon_*_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  ls -l "$work/out"
  echo "FAIL: expected exactly one quillon_<version>_<arch>.deb"
  exit 1
fi
deb="${debs[0]}"
pass "built $(basename "$deb")"

# Control fields.
[ "$(dpkg-deb -f "$deb" Package)" = quillon ] && pass "package name" || fail "package name is not quillon"
arch="$(dpkg-deb -f "$deb" Architecture)"
[ "$(basename "$deb")" = "quillon_$(dpkg-deb -f "$deb" Version)_${arch}.deb" ] \
  && pass "file name matches control fields" || fail "file name does not match Version/Architecture"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "      Depends: $depends"
depends_names="$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')"
for p in libqt6widgets6 libqt6network6 libqt6gui6 libqt6core6 qt6-qpa-plugins \
         fonts-liberation fonts-dejavu-core libstdc++6; do
  grep -qxF "$p" <<<"$depends_names" && pass "depends on $p" || fail "Depends lacks $p"
done

root="$work/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }

# Only the programs belong in bin: no tests, no build helpers.
want_bin="quillon quillon-gateway"
have_bin="$(ls "$root/usr/bin" 2>/dev/null | sort | tr '\n' ' ' | sed 's/ $//')"
[ "$have_bin" = "$want_bin" ] && pass "usr/bin holds: $have_bin" \
  || fail "usr/bin holds '$have_bin', expected '$want_bin'"

# The settings example changes nothing until a line is taken out of its comment.
example="$root/usr/share/doc/quillon/examples/quillon.conf"
[ -f "$example" ] && ! grep -qvE '^(#|$)' "$example" && pass "settings example, commented out" \
  || fail "no commented settings example at usr/share/doc/quillon/examples/quillon.conf"

desktop="$root/usr/share/applications/quillon.desktop"
if [ -f "$desktop" ]; then
  out="$(desktop-file-validate "$desktop" 2>&1)"
  rc=$?
  [ $rc -eq 0 ] && [ -z "$out" ] && pass "desktop-file-validate" || fail "desktop-file-validate: $out"
  grep -qx 'Exec=quillon' "$desktop" && pass "Exec names the installed binary" || fail "Exec is not quillon"
  grep -qx 'Icon=quillon' "$desktop" && pass "Icon names the installed icon" || fail "Icon is not quillon"
  grep -q '^Categories=.*Network;.*Chat;' "$desktop" && pass "categories" || fail "Categories lacks Network;Chat;"
else
  fail "no usr/share/applications/quillon.desktop"
fi

# The PNG header holds width and height as big-endian 32-bit numbers.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}'; }
for s in "${sizes[@]}"; do
  icon="$root/usr/share/icons/hicolor/${s}x${s}/apps/quillon.png"
  if [ ! -f "$icon" ]; then
    fail "missing icon ${s}x${s}"
  elif [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
    fail "icon ${s}x${s} is not a PNG"
  elif [ "$(png_size "$icon")" != "${s}x${s}" ]; then
    fail "icon ${s}x${s} is $(png_size "$icon")"
  else
    pass "icon ${s}x${s}"
  fi
done

metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
if [ ${#metainfo[@]} -eq 1 ] && [ -f "${metainfo[0]}" ]; then
  grep -q '<launchable type="desktop-id">quillon.desktop</launchable>' "${metainfo[0]}" \
    && pass "metainfo launches quillon.desktop" || fail "metainfo does not point at quillon.desktop"
  id="$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "${metainfo[0]}" | head -n1)"
  [ "$(basename "${metainfo[0]}")" = "$id.metainfo.xml" ] \
    && pass "metainfo file named after its id" || fail "metainfo file name does not match id '$id'"
  if command -v appstreamcli >/dev/null; then
    # The reverse-DNS id keeps its capital letters: renaming it would make
    # software centres treat it as another application.
    out="$(appstreamcli validate --no-net --pedantic "${metainfo[0]}" 2>&1)"
    rc=$?
    issues="$(grep -E '^[EWIP]: ' <<<"$out" | grep -v ' cid-contains-uppercase-letter ')"
    [ $rc -eq 0 ] && [ -z "$issues" ] && pass "appstreamcli validate --pedantic" \
      || fail "appstreamcli validate: $out"
  else
    echo "skip: appstreamcli not installed"
  fi
else
  fail "expected one usr/share/metainfo/*.metainfo.xml"
fi

# One release, one version and date: the changelog, the package and the
# metainfo's newest release must agree.
version="$(dpkg-deb -f "$deb" Version)"
changelog="$work/changelog"
zcat "$root/usr/share/doc/quillon/changelog.gz" >"$changelog" 2>/dev/null
[ "$(dpkg-parsechangelog -l "$changelog" -S Version 2>/dev/null)" = "$version" ] \
  && pass "changelog names $version" || fail "changelog's newest entry is not $version"
release_date="$(date -u -d "$(dpkg-parsechangelog -l "$changelog" -S Date 2>/dev/null)" +%F 2>/dev/null)"
newest="$(grep -o '<release [^>]*>' "${metainfo[0]}" 2>/dev/null | head -n1)"
[ "$newest" = "<release version=\"$version\" date=\"$release_date\">" ] \
  && pass "metainfo's newest release is $version of $release_date" \
  || fail "metainfo's newest release '$newest' is not $version of $release_date"

# Each program's manual page names exactly the options its --help prints.
options_of() { grep -oE '(^|[[:space:]("])--?[a-z][a-z-]*' | grep -oE -- '-.*' | sort -u; }
for prog in quillon quillon-gateway; do
  # Only the option column of --help: its texts start after a wide gap.
  help_options="$("$root/usr/bin/$prog" --help 2>&1 \
    | grep -E '^  -' | sed -E 's/^  //; s/  .*//' | options_of)"
  # Roff spells a dash \- and switches fonts with \fB, \fI, \fR.
  page_options="$(zcat "$root/usr/share/man/man1/$prog.1.gz" 2>/dev/null \
    | sed -E 's/\\f[BIRP]//g; s/\\-/-/g' | options_of)"
  if [ -n "$help_options" ] && [ "$help_options" = "$page_options" ]; then
    pass "$prog(1) names the options --help prints"
  else
    fail "$prog(1) and --help differ: $(diff <(echo "$help_options") <(echo "$page_options") | grep '^[<>]' | tr '\n' ' ')"
  fi
done

# What Debian expects of every package. Info and pedantic tags are shown
# for whoever wants to go further, but only errors and warnings fail.
if command -v lintian >/dev/null; then
  out="$(lintian --fail-on error,warning --info --pedantic "$deb" 2>&1)"
  rc=$?
  [ -n "$out" ] && sed 's/^/      /' <<<"$out"
  [ $rc -eq 0 ] && pass "lintian: no error, no warning" || fail "lintian reports errors or warnings"
else
  fail "lintian not installed (scripts/test installs it)"
fi

# Every installed program must find its libraries and must not look into the
# build tree for them.
for b in "$root"/usr/bin/*; do
  [ -f "$b" ] || continue
  missing="$(ldd "$b" 2>&1 | grep 'not found')"
  [ -z "$missing" ] && pass "ldd $(basename "$b")" || fail "ldd $(basename "$b"): $missing"
  if readelf -d "$b" 2>/dev/null | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    fail "$(basename "$b") keeps a run path into the build tree"
  fi
done

# The shipped programs carry the hardening every plain build gets. The
# report is printed whole, so the test's output shows what was checked.
# Two of the flags leave no mark hardening-check can rely on in a linked C++
# program: fortified calls only appear where the compiler knows a buffer's
# size (Qt's containers copy through plain memcpy), and Debian 12's start
# files carry no CET note, so the linker drops the one every object has.
# Those two are checked on how each file was compiled instead.
if command -v hardening-check >/dev/null; then
  for b in "$root"/usr/bin/*; do
    [ -f "$b" ] || continue
    out="$(hardening-check --nofortify --nocfprotection "$b" 2>&1)"
    rc=$?
    sed 's/^/      /' <<<"$out"
    [ $rc -eq 0 ] && pass "hardening-check $(basename "$b")" || fail "hardening-check $(basename "$b")"
  done
else
  fail "hardening-check not installed (devscripts; scripts/test installs it)"
fi
commands="$build/compile_commands.json"
if [ -s "$commands" ]; then
  want=(-fstack-protector-strong -fstack-clash-protection)
  case "$(uname -m)" in x86_64|i?86) want+=(-fcf-protection) ;; esac
  # Fortification only where the optimiser runs, as glibc needs it.
  grep -q '"command": .* -O[1-3s]' "$commands" && want+=(-D_FORTIFY_SOURCE=)
  for flag in "${want[@]}"; do
    lacking="$(grep '"command":' "$commands" | grep -cvF -- "$flag")"
    [ "$lacking" -eq 0 ] && pass "every file compiled with $flag" \
      || fail "$lacking file(s) compiled without $flag"
  done
else
  fail "no compile_commands.json in $build to check the compile flags"
fi

# The installed client opens its window and keeps running until stopped.
if [ -x "$root/usr/bin/quillon" ]; then
  QT_QPA_PLATFORM=offscreen timeout 3 "$root/usr/bin/quillon" >"$work/run.log" 2>&1
  rc=$?
  if [ $rc -eq 124 ]; then
    pass "installed quillon starts and keeps running"
  else
    cat "$work/run.log"
    fail "installed quillon exited with $rc instead of running"
  fi
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all package checks passed"
