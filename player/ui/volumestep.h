// The mouse wheel's steps on the volume slider (0 silent .. 50 loudest): five positions in the
// middle of the range and one near either end, so both the quiet and the loud end can be set
// finely.
//
// Thread contract: a pure function, safe from any thread.
#pragma once

// The slider position after one wheel event of `zDelta` at `position`: a step up for a
// rotation away from the user (zDelta > 0), down towards the user, however large the rotation;
// an event without rotation, or a position outside 0..50, stays where it is.
int wheelPosition(int position, int zDelta);
