// The stage's goal and the stage parts that embody it: the goal bell, the
// start ball, the truck with its tyres and cab, or the rocket with the toy box.
#pragma once
#include "world/command_ids.h"

// Menu command ids of the four goals, by GoalType 0..3.
constexpr unsigned kGoalCommands[4] = {kCmdGoalBell, kCmdGoalStartBall, kCmdGoalTruck,
                                       kCmdGoalRocketDoll};

// Switches the stage to goal 0..3: checks that the tables have room, removes
// the old goal's objects, builds the new ones in front of the camera, moves
// the menu's check mark and refreshes the title. Setting the current goal
// does nothing; a goal without room is refused with a message.
void SetGoalType(int goalType);
