#pragma once
// D3DX 9 utility library.
#include <d3dx9math.h>
#include <d3dx9mesh.h>
#include <d3dx9anim.h>
#include <d3dx9tex.h>
#include <d3dx9core.h>
#include <d3dx9font.h>
#include <d3dx9effect.h>
