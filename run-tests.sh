#!/usr/bin/env bash
# Installs what the build needs on Debian 12, builds everything and runs the tests.
set -euo pipefail
cd "$(dirname "$0")"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends $(grep -v '^#' packages.txt)

# This folder is the game's folder when it is played from here: its play list
# shows every play file in and below it, and it keeps Config.dat and
# ClearList.dat and opens its file dialogs here. What the player has made is
# noted now (with each file's checksum), so that the build and the tests are
# seen to add nothing there and to change nothing of the player's.
game_files() {
  { find . -path ./.git -prune -o -type f -iname '*.ply' -print
    find . -maxdepth 1 -type f \( -iname '*.stg' -o -iname '*.pau' -o -iname Config.dat \
      -o -iname ClearList.dat \) -print; } | xargs -r -d '\n' md5sum | sort
}
players_files=$(game_files)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure -j"$(nproc)")

# The physics must not depend on how the game was compiled: the whole runs
# once more from a Release (-O3) build, which must give the same hashes.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
cmake --build build-release -j"$(nproc)" --target whole_runs_test
ctest --test-dir build-release --output-on-failure --no-tests=error -R '^WholeRuns\.'

added=$(comm -13 <(echo "$players_files") <(game_files) | cut -c35-)
if [ -n "$added" ]; then
  echo "the build or the tests wrote game files where the game shows or reads them:" >&2
  echo "$added" >&2
  exit 1
fi
