#!/bin/sh
# Fails when a file of the game includes a folder above its own. The layers,
# lowest first: platform < world < render < game < app. A file may include its
# own folder and the folders below it, never one above.
# Usage: tools/check-layers.sh [source root]  (default: the folder above this script)
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2
for folder in platform world render game app; do
  [ -d "$folder" ] || { echo "no folder $folder/ under $root"; exit 2; }
done
find platform world render game app -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) |
  sort | xargs awk '
    BEGIN {
      split("platform world render game app", names, " ")
      for (i in names) rank[names[i]] = i
      bad = 0
    }
    /^[ \t]*#[ \t]*include[ \t]*["<](\.\.\/)*(platform|world|render|game|app)\// {
      split(FILENAME, own, "/")
      target = $0
      sub(/^[ \t]*#[ \t]*include[ \t]*["<](\.\.\/)*/, "", target)
      sub(/\/.*/, "", target)
      if (rank[target] > rank[own[1]]) {
        printf "%s:%d: %s/ includes %s/, a layer above it\n", FILENAME, FNR, own[1], target
        bad = 1
      }
    }
    END {
      if (bad) {
        print "layers: platform < world < render < game < app; include only your own folder and those below"
        exit 1
      }
      print "layers ok: no file includes a folder above its own"
    }'
