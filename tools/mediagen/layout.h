// The shape of the world, shared by every generator: a lake around the
// origin with its surface at height 0, a small island in the middle carrying
// one tree, a sandy shore and a ring of hills, all inside the sky box.
#pragma once

#include "tools/mediagen/mesh.h"

// Sky box: x and z in -kSkyHalfSize..kSkyHalfSize, y in kSkyBottom..kSkyTop.
// Every camera position stays far enough from its corners for the far plane.
constexpr float kSkyHalfSize = 2500.0f;
constexpr float kSkyBottom = -60.0f;
constexpr float kSkyTop = 2440.0f;

// Directions towards the sun (day) and the moon (night).
Vec3 SunDirection();
Vec3 MoonDirection();

// The saver lights the scene with one light shining straight down, and
// lights some models only at night. For those the vertex normal carries the
// moonlight instead of the surface's slope: its vertical part is the share of
// the night light that a surface with true normal `surface` receives from the
// moon, so the straight-down light shades them as the moon would.
Vec3 NightNormal(Vec3 surface);

// Island ground height at (x, z); negative below the water.
float IslandHeight(float x, float z);
// Distance from the origin at which the island meets the water along angle `a`.
float IslandShoreRadius(float angle);
Vec3 IslandNormal(float x, float z);

// Height of the lake bed, shore and hills at (x, z).
float TerrainHeight(float x, float z);
// Distance from the origin of the lake's outer shore along angle `a`.
float LakeShoreRadius(float angle);
