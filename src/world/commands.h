// The commands that create, destroy and change instances, set sprites, ask for room changes and
// the end or restart of the game, and snap or wrap positions. A room change is only requested
// here: the frame acts on the room-change code after the step.
#pragma once

#include <cstdint>

class CInstance;

// A new instance in the running room with its Create event; null (after a non-fatal report)
// when the object does not exist or no room runs.
CInstance* Command_CreateInstance(int32_t object, float x, float y);
// The same, with the speed and then the direction set before the Create event runs.
CInstance* Command_CreateInstanceMoving(int32_t object, float x, float y, float speed, float direction);
// The Destroy event once, then the instance is marked for deletion.
void Command_DestroyInstance(CInstance* instance);
// instance_change: into another object, with Destroy and Create events when asked for.
void Command_ChangeInstance(CInstance* instance, int32_t object, bool performEvents);
void Command_SetSprite(CInstance* instance, int32_t sprite);
void Command_GotoRoom(int32_t room);
void Command_PreviousRoom();
void Command_NextRoom();
void Command_RestartRoom();
void Command_EndGame();
void Command_RestartGame();
// Rounds the position to the grid (halves to even); a step of 0 or less leaves that axis.
void Command_Snap(CInstance* instance, float hsnap, float vsnap);
// Wraps the instance around the room in the direction it moves.
void Command_Wrap(CInstance* instance, bool horizontal, bool vertical);
// Sets the instance moving towards (x, y) at that speed.
void Command_MoveTowards(CInstance* instance, float x, float y, float speed);

// The compiled-code forms.
int32_t F_InstanceCreate(float x, float y, int32_t object);
void F_InstanceDestroy(CInstance* instance);
