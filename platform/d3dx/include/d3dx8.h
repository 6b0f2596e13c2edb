// D3DX extension library: vector and matrix helpers, texture creation and
// image loading for Direct3D 8.
#pragma once

#include <d3dx8math.h>
#include <d3dx8tex.h>
