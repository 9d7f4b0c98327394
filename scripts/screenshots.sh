#!/usr/bin/env bash
# Makes the documentation's pictures: the main window disconnected and connected to the
# simulated module, the About box, the trend window after a dozen seconds of polling and
# the station window after a failed run, in BUILD_DIR/screenshots/ (default
# build-test/main); the connected main window also becomes docs/screenshots/main-window.png,
# in English main-window-en.png, and the station window station-window.png; the main
# window after a refused clock set and after "Odpojit", in Czech and English, become
# main-clock-refused(-en).png and main-disconnected-after(-en).png.
# screenshots.sh [BUILD_DIR]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-test/main}
bash "$src/scripts/build.sh" "$build"
export QT_QPA_PLATFORM=offscreen VALDRIX_BUILD_DIR="$build" VALDRIX_SOURCE_DIR="$src" VALDRIX_SIM="$build/valdrix-sim"
"$build/tests/test_app" --gtest_filter='DocumentationScreenshots.*'
cp "$build/screenshots/main_connected.png" "$src/docs/screenshots/main-window.png"
cp "$build/screenshots/main_connected_en.png" "$src/docs/screenshots/main-window-en.png"
cp "$build/screenshots/station_failed.png" "$src/docs/screenshots/station-window.png"
for picture in main_clock_refused main_clock_refused_en main_disconnected_after main_disconnected_after_en; do
  cp "$build/screenshots/$picture.png" "$src/docs/screenshots/${picture//_/-}.png"
done
ls "$build/screenshots"
