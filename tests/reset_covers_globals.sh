#!/bin/sh
# Every named global of the game library must be put back by the reset of
# tests/game_state_support.h, or a test binary run whole depends on the order
# of its cases. Usage: reset_covers_globals.sh <libgamecore.a> <game_state_support.h>
lib="$1"
header="$2"
# Names that only refer to another global the reset already keeps.
aliases="g_editorName g_meshJoint g_meshFixJoint"
missing=""
for name in $(nm -C --defined-only "$lib" | awk '$2 ~ /^[BbDd]$/ && $3 ~ /^g_/ {print $3}' | sort -u); do
  case " $aliases " in *" $name "*) continue ;; esac
  grep -q "Keep($name)" "$header" || missing="$missing $name"
done
if [ -n "$missing" ]; then
  echo "globals the test reset does not put back (add Keep(name) to $header):$missing"
  exit 1
fi
echo "the test reset covers every named global"
