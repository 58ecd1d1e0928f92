#include "scene/SplineManager.h"
