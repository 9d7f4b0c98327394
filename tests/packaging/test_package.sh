#!/usr/bin/env bash
# Builds the Debian package with cpack in the build tree, unpacks it into a temporary
# root and runs the unpacked programs; checks the desktop entry, the AppStream metadata,
# where the installed tester keeps its settings, the bash completion and the package's
# dependencies, and lets lintian judge the package (its errors fail the test, its
# warnings are listed). Usage: test_package.sh BUILD_DIR VERSION
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
status=0
QT_QPA_PLATFORM=offscreen "$root/usr/bin/valdrix-tester" --language de 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "valdrix-tester --language de ended with $status, not as a usage error (2)"

# What the package puts where.
metainfo=usr/share/metainfo/cz.valdrix.tester.metainfo.xml
for f in usr/share/applications/valdrix-tester.desktop usr/share/icons/hicolor/scalable/apps/valdrix-tester.svg \
  usr/share/bash-completion/completions/valdrix-cli usr/share/valdrix-tester/60-valdrix-ftdi.rules \
  usr/share/doc/valdrix-tester/copyright usr/share/doc/valdrix-tester/changelog.gz "$metainfo"; do
  [ -f "$root/$f" ] || fail "/$f is not in the package"
done
if command -v help2man >/dev/null; then
  for p in valdrix-tester valdrix-cli valdrix-sim; do
    zcat "$root/usr/share/man/man1/$p.1.gz" | grep -q '^\.SH' || fail "no manual page for $p"
  done
fi
desktop-file-validate "$root/usr/share/applications/valdrix-tester.desktop" || fail "desktop-file-validate"
# AppStream: the metadata and the desktop entry it launches, valid without a single remark.
appstream=$(appstreamcli validate-tree --no-net --pedantic "$root" 2>&1) || fail "appstreamcli validate-tree"
echo "$appstream"
grep -q '^ *[EWIP]: ' <<<"$appstream" && fail "appstreamcli has remarks on the AppStream metadata"

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

# Settings: the installed tester keeps Config.xml in the user's configuration folder and
# writes nothing beside itself, run by an ordinary user (one who may not write the
# program's folder) and by root (from a folder under /usr, where the unpacked programs are
# mounted in a mount namespace of its own). It is ended as a logout ends it, with SIGTERM,
# once it catches that signal (its windows are then made and the settings read).
running() { [ -r "/proc/$1/status" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status"; }
catches_sigterm() { (($(printf '%d' "0x$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status")") & (1 << 14))); }
tester_saves_with_the_user() { # WHO CONFIG_HOME COMMAND...
  local who=$1 config=$2 pid status
  shift 2
  touch "$work/before-$who"
  # In English: a tester without its translation would stop at start.
  env QT_QPA_PLATFORM=offscreen LANGUAGE=en XDG_CONFIG_HOME="$config" "$@" >"$work/tester-$who.log" 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    if ! running "$pid" || catches_sigterm "$pid"; then break; fi
    sleep 0.1
  done
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 600); do running "$pid" || break; sleep 0.1; done
  if running "$pid"; then
    kill -KILL "$pid"
    fail "the tester run by $who did not end on SIGTERM"
  fi
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { fail "the tester run by $who ended with $status"; cat "$work/tester-$who.log"; }
  [ -f "$config/valdrix-tester/Config.xml" ] || fail "the tester run by $who saved no Config.xml in $config"
  local written
  written=$(find "$root/usr" -newer "$work/before-$who")
  [ -z "$written" ] || fail "the tester run by $who wrote beside itself: $written"
}
if [ "$(id -u)" -eq 0 ]; then
  if (((8#$(stat -c %a /)) & 1)); then
    chmod 755 "$work"
    install -d -o nobody "$work/config-user"
    tester_saves_with_the_user "an ordinary user" "$work/config-user" \
      setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups "$root/usr/bin/valdrix-tester"
  else
    echo "the ordinary user's run skipped: nobody cannot enter / (a root file system kept private)"
  fi
  if [ -d /usr/local/bin ] && unshare -m true 2>/dev/null; then
    tester_saves_with_the_user root "$work/config-root" unshare -m sh -c \
      'mount --bind "$1" /usr/local/bin && exec /usr/local/bin/valdrix-tester' _ "$root/usr/bin"
  else
    echo "root's run from /usr skipped: no mount namespace or no /usr/local/bin"
  fi
else
  chmod a-w "$root/usr/bin"
  tester_saves_with_the_user "$(id -un)" "$work/config-user" "$root/usr/bin/valdrix-tester"
  chmod u+w "$root/usr/bin"
fi

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
