// The stage ID: a 16-byte fingerprint of a stage's own content (its stage
// parts, the joints made in stage editing, the area and the goal). It is
// written into play and pause files and remembered by the clear list, so it
// must come out bit for bit the same on every build: single-precision
// products, signed remainders, 32-bit shifts and a sort whose order of equal
// records is fixed.
#pragma once
#include <cstddef>
#include <cstdint>

// The ID of the loaded play or pause file, or the one last computed: 16
// bytes, read and written as four little-endian words. It points at storage
// of this module for the whole run: start-up need not allocate it, and
// shut-down must not free it.
extern uint32_t* g_stageId;

// One mixing step: adds value to the first word and rotates it to the back.
void MixStageId(uint8_t* id16, uint32_t value);

// Sort comparators (-1, 0, 1) over StageItem and JointRecord copies: live
// records first, by x ascending, then by y descending.
int CompareItemsByPosition(const void* a, const void* b);
int CompareJointsByAnchor(const void* a, const void* b);

// The in-place quicksort the ID is defined with. Its order of records that
// compare equal is part of the ID, so no library sort may stand in for it.
void SortStageIdRecords(void* base, size_t count, size_t width,
                        int (*compare)(const void*, const void*));

// Truncation of a float toward zero to int32. NaN and values outside the
// int32 range give INT32_MIN, as the processor's truncating conversion does.
int32_t TruncateToInt32(float v);

// The whole degrees an item is turned in the plane, as the ID counts them,
// from the engine's 3 x 4 rotation (row-major): the angle of the local x axis
// from its x component, negative when its y component is below 0.
int32_t StageIdAngle(const double* R);

// Overwrites the 16 bytes of id16 (four little-endian words) with the ID of
// the stage held in the item and joint tables, the area and the goal.
void ComputeStageId(uint32_t* id16);
