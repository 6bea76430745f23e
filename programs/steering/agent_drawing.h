#pragma once
// Agents as the user of the steering program sees them: a disc or heading triangle whose
// outline tells whether the agent follows a path, and the Vectors, Paths and Neighbours
// overlays. Drawn with the program's pens and brushes for the current view.
#include "platform/win.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/fixed_math.h"

namespace steering {

class SteeringRun;

// One agent, whatever the view (the Vectors overlay asks its behaviours once more).
void drawAgent(SteeringRun& run, win::HDC dc, Agent& agent);
// Each agent whose bounding square overlaps the view (whole world units), in list order.
void drawAgents(SteeringRun& run, win::HDC dc, AgentList& agents, const WorldRect& viewRect);
// Paths overlay for the oldest agent: the other navigation mode's path in magenta, and the
// lengths of both.
void drawPlannerComparison(SteeringRun& run, win::HDC dc);

}  // namespace steering
