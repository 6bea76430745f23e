#include "steering/world.h"

namespace steering {

World::World() : shortestSearch(std::make_unique<nav::ShortestSearchState>()) {}

std::unique_ptr<World> makeWorld() { return std::make_unique<World>(); }

}  // namespace steering
