#pragma once
// The nesting state of the neighbour visits, one per world. Visits may nest (a behaviour
// visiting agents calls something that visits again): each depth below kLevels visits the
// grid directly with stamps of its own (NeighbourGrid::visitAgents), and depths past that
// collect their candidates in a list of their own for that visit.
namespace steering {

struct NeighbourScratch {
    static constexpr int kLevels = 4;  // NeighbourGrid::kVisitLevels
    int agentDepth = 0;                // agent visits in progress
    int obstacleDepth = 0;             // obstacle visits in progress
};

}  // namespace steering
