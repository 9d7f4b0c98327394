#!/usr/bin/env bash
# Builds the Debian package with cpack in the build tree, unpacks it into a temporary
# root and runs the unpacked programs; checks the desktop entry, the bash completion and
# the package's dependencies, and lets lintian judge the package (its errors fail the
# test, its warnings are listed). Usage: test_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  exit 1
fi
deb=$(find "$work/out" -maxdepth 1 -name '*.deb')
echo "package: $(basename "$deb")"
root=$work/root
dpkg-deb -x "$deb" "$root"

# The unpacked programs run and say who they are.
for run in "valdrix-cli --version" "valdrix-tester --version" "valdrix-sim --version"; do
  set -- $run
  out=$("$root/usr/bin/$1" "$2") || fail "$run exited with $?"
  [ "$out" = "$1 $version" ] || fail "$run printed \"$out\", not \"$1 $version\""
done
"$root/usr/bin/valdrix-sim" --help | grep -q -- '--close-after' || fail "valdrix-sim --help lacks its switches"
"$root/usr/bin/valdrix-tester" --help | grep -q '^Usage: valdrix-tester' || fail "valdrix-tester --help shows no usage"

# What the package puts where.
for f in usr/share/applications/valdrix-tester.desktop usr/share/icons/hicolor/scalable/apps/valdrix-tester.svg \
  usr/share/bash-completion/completions/valdrix-cli usr/share/valdrix-tester/60-valdrix-ftdi.rules \
  usr/share/doc/valdrix-tester/copyright usr/share/doc/valdrix-tester/changelog.gz; do
  [ -f "$root/$f" ] || fail "/$f is not in the package"
done
if command -v help2man >/dev/null; then
  for p in valdrix-tester valdrix-cli valdrix-sim; do
    zcat "$root/usr/share/man/man1/$p.1.gz" | grep -q '^\.SH' || fail "no manual page for $p"
  done
fi
desktop-file-validate "$root/usr/share/applications/valdrix-tester.desktop" || fail "desktop-file-validate"

# Dependencies come from the programs' libraries.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for d in libc6 libqt6widgets6 libxml2 libqt6svg6; do
  [[ $depends == *"$d"* ]] || fail "Depends lacks $d"
done

# The completion offers commands, the options of a command and its fixed words.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _valdrix_cli
           echo "${COMPREPLY[*]}"' _ "$root/usr/share/bash-completion/completions/valdrix-cli" "$@"
}
[ "$(complete_words valdrix-cli --json mon)" = "monitor" ] || fail "completion of a command"
[ "$(complete_words valdrix-cli ping --c)" = "--connection --capture --count" ] || fail "completion of a command's options"
[ "$(complete_words valdrix-cli -c x set-output 3 o)" = "on off" ] || fail "completion of a command's words"

# The Wireshark dissector lies where the installed tshark looks for Lua plugins, and reads
# a capture there (no step beyond installing the package).
if command -v tshark >/dev/null; then
  plugins=$(tshark -G folders 2>/dev/null | sed -n 's/^Global Lua Plugins:[[:space:]]*//p')
  dissector=$root$plugins/tarvel97.lua
  if [ -f "$dissector" ]; then
    # One request (GetInputs to 0x31), as valdrix-cli --capture writes it: DLT_USER0,
    # the record header (5 bytes, sent, packet, link 1), then the packet.
    printf '\xd4\xc3\xb2\xa1\x02\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x93\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x00\x00\x00\x0e\x00\x00\x00\x0e\x00\x00\x00\x05\x01\x00\x00\x01*a\x00\x051\x021\x0b\r' >"$work/one.pcap"
    inst=$(tshark -r "$work/one.pcap" -X "lua_script:$dissector" -T fields -e tarvel97.inst 2>/dev/null)
    [ "$inst" = "0x31" ] || fail "tshark read the capture with the packaged dissector as \"$inst\", not 0x31"
  else
    fail "the dissector is not in tshark's global Lua plugin folder ($plugins)"
  fi
fi

# lintian: errors fail, warnings are listed.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
echo "lintian:"
sed 's/^/  /' "$work/lintian.txt"
if grep -q '^E:' "$work/lintian.txt"; then fail "lintian reports errors"; fi

[ "$failures" -eq 0 ] || exit 1
