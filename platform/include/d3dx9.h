#pragma once
// D3DX 9 utility library.
#include <d3dx9math.h>
#include <d3dx9anim.h>
#include <d3dx9tex.h>
