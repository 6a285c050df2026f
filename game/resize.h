// The resize drag of the editor (Z with a left press on a ball, box or bar):
// mouse motion scales the item's two sizes along its own axes, Shift snaps
// them to even steps, joint anchors stay inside the item and each shape keeps
// to its limits. The geom and mass are rebuilt on every step.
#pragma once

// One step of the drag on g_hoveredItem, using the mouse motion since the
// previous step (g_pressMouseX/Y, moved along to the mouse afterwards) and
// the working sizes g_resizeSize1/2. Items of other kinds are left alone.
void ResizeHoveredItem();
