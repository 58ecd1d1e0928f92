#include "render/SceneGraph.h"
