// The simulated pictures' and graph window's state, kept in the simulated world.
#pragma once

#include "sim/sim_drawing.h"

#include <map>

struct SimDrawingWorld {
    std::map<Drawing, SimPicture> pictures;
    Drawing nextDrawing = 1;
    std::vector<SimPicture> encoded;
    SimGraphWindow graph;
    std::function<void()> onGraphPicture;
};
