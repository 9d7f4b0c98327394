#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, only those that are missing.
# Runs apt-get as root, or through sudo for another user.
set -euo pipefail

packages=(
  g++ cmake make ninja-build mold pkg-config git
  # The charts' CMake package needs the OpenGL one, which qt6-charts-dev does not pull in.
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libxml2-dev libcli11-dev nlohmann-json3-dev
  libqt6svg6
  # Production test plans are read with toml++; the tests check records against their
  # JSON Schema and read the JUnit files with a JUnit parser.
  libtomlplusplus-dev python3-jsonschema python3-junitparser
  # Test records in SQLite or PostgreSQL through Qt SQL; the tests start a PostgreSQL
  # server of their own.
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  # lupdate and lrelease for the windows' translations, and their CMake package.
  qt6-l10n-tools qt6-tools-dev
  # Qt's own dialogs and buttons in the windows' language.
  qt6-translations-l10n
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  socat ser2net libftdi1-dev
  # Traffic captures are written with libpcap and read back by the tests with tshark.
  # wireshark-common asks whether non-root users may capture: unanswered (no) here.
  libpcap-dev tshark
  fonts-dejavu-core
  dpkg-dev file help2man lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# A machine that lives for one run (CI sets VALDRIX_DPKG_UNSAFE_IO=1) lets dpkg skip its
# syncs to disk, most of the time of unpacking a few hundred packages.
dpkg_options=()
[ "${VALDRIX_DPKG_UNSAFE_IO:-0}" = 1 ] && dpkg_options=(-o Dpkg::Options::=--force-unsafe-io)
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${dpkg_options[@]}" \
  "${missing[@]}"
