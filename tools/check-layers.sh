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
layers=0
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
    }' || layers=1

# Inside a folder the includes run one way too: a header and its source count
# as one part, and no part may reach itself again through the parts it
# includes. platform/ is left out: it stands in for the system's libraries,
# whose parts lean on one another.
circles=0
for folder in world render game app; do
  pairs=$(for file in "$folder"/*.h "$folder"/*.cpp; do
    [ -f "$file" ] || continue
    sed -n 's|^[ \t]*#[ \t]*include[ \t]*"\('"$folder"'/[^"]*\)".*|\1|p' "$file" |
      while read -r included; do
        [ "${included%.*}" = "${file%.*}" ] || echo "${file%.*} ${included%.*}"
      done
  done | sort -u)
  loop=$(printf '%s\n' "$pairs" | tsort 2>&1 >/dev/null)
  if [ -n "$loop" ]; then
    echo "$folder/: parts include each other in a circle:"
    printf '%s\n' "$loop" | awk '
      /contains a loop/ { if (line != "") print "  " line; line = ""; next }
      { sub(/^tsort: /, ""); line = line (line == "" ? "" : " -> ") $0 }
      END { if (line != "") print "  " line }'
    circles=1
  fi
done
[ "$circles" = 0 ] && echo "includes ok: no part of a folder includes itself again through others"
[ "$layers" = 0 ] && [ "$circles" = 0 ]
