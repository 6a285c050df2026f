// One physics step of a run, and the pass that holds every body to the stage
// plane z = 0 afterwards.
#pragma once

// Collides the space, reseeds the engine's generator to 0, steps the world by
// kStepSize and empties the contact group.
void StepSimulation();
// Puts every live item back onto z = 0: rotations lose their out-of-plane
// part, spin about x and y stops, spin about z eases by 0.01 rad/s.
void HoldBodiesToPlane();
