// What the controller, the menu, the spawners and the interface objects share: the objects,
// rooms and sounds their code names by index, and the chip rule the player and the ghosts share.
#pragma once

#include <cstdint>

class CInstance;

namespace lumbrix {

inline constexpr int32_t kObPlayer = 9;
inline constexpr int32_t kObControl = 12;
inline constexpr int32_t kObSpawner = 13;
inline constexpr int32_t kObChaserSpawner = 14;
inline constexpr int32_t kObGhostSpawner = 15;
inline constexpr int32_t kObPlayerSpawn = 16;
inline constexpr int32_t kObTextSpawner = 17;
inline constexpr int32_t kObTurretSpawner = 18;
inline constexpr int32_t kObGhost = 19;
inline constexpr int32_t kObButton = 20;
inline constexpr int32_t kObArrow = 22;
inline constexpr int32_t kObExit = 23;
inline constexpr int32_t kObStart = 24;
inline constexpr int32_t kObHackMeter = 25;
inline constexpr int32_t kObLevelComplete = 26;
inline constexpr int32_t kObParticle = 28;
inline constexpr int32_t kObTrigger = 29;
inline constexpr int32_t kObTurret = 34;

inline constexpr int32_t kRmFirst = 0;
inline constexpr int32_t kRmMenu = 1;
inline constexpr int32_t kRmTutorial = 3;

inline constexpr int32_t kSnGrind = 0;
inline constexpr int32_t kSnMusic = 4;
inline constexpr int32_t kSnHackShort = 7;

inline constexpr int32_t kSpHackerMeter = 16;

// The target that names no instance.
inline constexpr int32_t kNoInstance = -4;

// Keeps a mover inside its chip's rectangle: clamped to an edge it crossed, where it tries to
// leave onto a wire; x first, then y while it is still inside.
void KeepInsideChip(CInstance* self, CInstance* other, int32_t chip);

}  // namespace lumbrix
