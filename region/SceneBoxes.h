// Which parts of the screen change from one overlay scene to the next: the overlay
// recomposes and copies only those, never the whole screen on a mouse move.
#pragma once

#include "region/SelectionModel.h"

#include <vector>

namespace region {

// The boxes a scene draws over the dimmed screen.
RECT SceneFrameBox(const Scene& s) noexcept;
RECT SceneLabelBox(const Scene& s) noexcept; // empty without a label
RECT SceneMagnifierBox(const Scene& s, int W, int H) noexcept;
std::wstring MagnifierFirstLine(const Scene& s);

// Boxes on the screen, pairwise disjoint, that hold every pixel that differs between
// the scenes (the interior both selections share is left out).
std::vector<RECT> ChangedBoxes(const Scene& before, const Scene& after, int W, int H);
// The bound a step's copy must stay within: the box around the old and new frame,
// label and magnifier boxes.
RECT ChangeBound(const Scene& before, const Scene& after, int W, int H) noexcept;

// Adds r to a set of disjoint boxes, keeping them disjoint (r minus what is there).
void AddDisjoint(std::vector<RECT>& boxes, const RECT& r);

} // namespace region
