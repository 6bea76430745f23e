// The Python module `steering`: the public library (steering_api.h) for scripted studies.
// Worlds step with the interpreter's lock released, so worlds on several threads run in
// parallel; positions and velocities are numpy views of the world's own arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "steering_api.h"

namespace py = pybind11;
using steering::api::Simulation;

namespace {

// A world and the lock that keeps two threads from working in it at once (the interpreter's
// lock is released while it steps).
struct PyWorld {
    explicit PyWorld(Simulation&& s) : simulation(std::move(s)) {}
    Simulation simulation;
    std::mutex mutex;
};

steering::api::Mode modeOf(const std::string& name) { return steering::api::modeFromName(name); }

steering::api::Point pointOf(const py::sequence& xy, const char* what) {
    if (py::len(xy) != 2) throw std::invalid_argument(std::string(what) + " must be a pair (x, y)");
    return {xy[0].cast<double>(), xy[1].cast<double>()};
}

std::vector<std::uint8_t> mapBytes(const py::buffer& buffer) {
    const py::buffer_info info = buffer.request();
    if (info.itemsize != 1) throw std::invalid_argument("a map is bytes (one byte a cell), not items of " +
                                                        std::to_string(info.itemsize) + " bytes");
    const auto* data = static_cast<const std::uint8_t*>(info.ptr);
    std::vector<std::uint8_t> cells;
    if (info.ndim <= 1 && (info.ndim == 0 || info.strides[0] == 1)) {
        cells.assign(data, data + info.size);
    } else {
        // A numpy array of another layout: copied in C order through numpy.
        py::bytes raw = py::module_::import("numpy").attr("ascontiguousarray")(buffer).attr("tobytes")();
        const std::string text = raw;
        cells.assign(text.begin(), text.end());
    }
    return cells;
}

// A read-only (n, 2) view of one of the world's arrays, keeping that array alive.
py::array view(std::shared_ptr<const std::vector<double>> values) {
    const auto rows = static_cast<py::ssize_t>(values->size() / 2);
    auto* holder = new std::shared_ptr<const std::vector<double>>(std::move(values));
    py::capsule owner(holder, [](void* p) { delete static_cast<std::shared_ptr<const std::vector<double>>*>(p); });
    py::array_t<double> array({rows, py::ssize_t{2}}, {py::ssize_t{2 * sizeof(double)}, py::ssize_t{sizeof(double)}},
                              (*holder)->data(), owner);
    py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return array;
}

py::dict agentDict(const steering::api::AgentState& a) {
    py::dict d;
    d["position"] = py::make_tuple(a.position.x, a.position.y);
    d["velocity"] = py::make_tuple(a.velocity.x, a.velocity.y);
    d["path_done"] = a.pathDone;
    d["arrived"] = a.arrived;
    d["waypoint"] = a.waypoint;
    d["path_points"] = a.pathPoints;
    d["goal"] = a.goal;
    d["stuck"] = a.stuck;
    d["radius"] = a.radius;
    d["speed"] = a.speed;
    return d;
}

py::dict scoresDict(const steering::api::Scores& s) {
    py::dict d;
    d["case"] = s.caseName;
    d["system"] = s.system;
    d["agents"] = s.agents;
    d["done"] = s.done;
    // Times until that share was done, seconds; None: never.
    auto time = [](double t) -> py::object { return t < 0 ? py::object(py::none()) : py::object(py::float_(t)); };
    d["t50"] = time(s.t50);
    d["t95"] = time(s.t95);
    d["t100"] = time(s.t100);
    d["still_out"] = s.stillOut;
    d["agent_collisions"] = s.agentCollisions;
    d["obstacle_collisions"] = s.obstacleCollisions;
    d["walked_over_shortest"] = s.walkedOverShortest;
    d["walked_over_straight"] = s.walkedOverStraight;
    d["effort_per_agent"] = s.effortPerAgent;
    d["steps"] = s.steps;
    d["seconds"] = s.seconds;
    d["done_by_step"] = s.doneByStep;
    py::list agents;
    for (const steering::api::AgentScore& a : s.perAgent) {
        py::dict one;
        one["reached_all"] = a.reachedAll;
        one["done_seconds"] = time(a.doneSeconds);
        one["goals_reached"] = a.goalsReached;
        one["remaining_metres"] = a.remainingMetres;
        one["agent_collisions"] = a.agentCollisions;
        one["obstacle_collisions"] = a.obstacleCollisions;
        one["walked_metres"] = a.walkedMetres;
        one["shortest_metres"] = a.shortestMetres;
        agents.append(one);
    }
    d["per_agent"] = agents;
    d["json"] = s.json;
    return d;
}

std::vector<steering::api::Behaviour> behavioursOf(const std::optional<py::sequence>& list) {
    std::vector<steering::api::Behaviour> out;
    if (!list) return out;
    for (const py::handle item : *list) {
        if (py::isinstance<py::str>(item)) {
            out.push_back({item.cast<std::string>(), 1.0});
        } else {
            const auto pair = item.cast<py::sequence>();
            if (py::len(pair) != 2) throw std::invalid_argument("a behaviour is a name or a pair (name, weight)");
            out.push_back({pair[0].cast<std::string>(), pair[1].cast<double>()});
        }
    }
    return out;
}

}  // namespace

PYBIND11_MODULE(steering, m) {
    m.doc() = "Steering agents on a 256 x 256 grid map with navigation, for scripted studies.\n"
              "Units: world units (256 a cell, 65536 a map side), speeds per step.";
    m.attr("MAP_SIDE") = steering::api::kMapSide;
    m.attr("CELL_UNITS") = steering::api::kCellUnits;

    py::class_<PyWorld>(m, "World", "One simulation: a map, its navigation and its agents.")
        .def(py::init([](const py::buffer& cells) { return new PyWorld(Simulation::fromMapBytes(mapBytes(cells))); }),
             py::arg("map"), "A world on a map of 65536 bytes (256 rows of 256 cells; 0 ground, 15 wall, 14 an obstacle marker).")
        .def_static("from_map_file", [](const std::string& path) { return new PyWorld(Simulation::fromMapFile(path)); },
                    py::arg("path"), py::return_value_policy::take_ownership)
        .def_static("from_scenario",
                    [](const std::string& path, const std::string& mode, std::uint32_t seed, bool keepArrived) {
                        return new PyWorld(Simulation::fromScenarioFile(path, modeOf(mode), seed, keepArrived));
                    },
                    py::arg("path"), py::arg("mode") = "classic", py::arg("seed") = 1, py::arg("keep_arrived") = false,
                    py::return_value_policy::take_ownership, "A test case (XML file) put into a world.")
        .def_static("from_scenario_text",
                    [](const std::string& xml, const std::string& mode, std::uint32_t seed, bool keepArrived) {
                        return new PyWorld(Simulation::fromScenarioText(xml, modeOf(mode), seed, keepArrived));
                    },
                    py::arg("xml"), py::arg("mode") = "classic", py::arg("seed") = 1, py::arg("keep_arrived") = false,
                    py::return_value_policy::take_ownership)
        .def("add_agent",
             [](PyWorld& w, const py::sequence& position, double radius, double speed,
                const std::optional<py::sequence>& behaviours) {
                 steering::api::AgentSpec spec{pointOf(position, "position"), radius, speed, behavioursOf(behaviours)};
                 std::lock_guard lock(w.mutex);
                 return w.simulation.addAgent(spec);
             },
             py::arg("position"), py::arg("radius") = 0.0, py::arg("speed") = 0.0, py::arg("behaviours") = py::none(),
             "Adds an agent; radius and speed 0 draw them as the program does; behaviours: names or (name, weight).")
        .def("set_target",
             [](PyWorld& w, int agent, const py::sequence& target) {
                 const auto point = pointOf(target, "target");
                 std::lock_guard lock(w.mutex);
                 w.simulation.setTarget(agent, point);
             },
             py::arg("agent"), py::arg("target"))
        .def("set_goals",
             [](PyWorld& w, int agent, const std::vector<py::sequence>& targets) {
                 std::vector<steering::api::Point> points;
                 for (const py::sequence& t : targets) points.push_back(pointOf(t, "goal"));
                 std::lock_guard lock(w.mutex);
                 w.simulation.setGoals(agent, points);
             },
             py::arg("agent"), py::arg("targets"))
        .def_property(
            "mode", [](PyWorld& w) { std::lock_guard lock(w.mutex); return std::string(steering::api::modeName(w.simulation.mode())); },
            [](PyWorld& w, const std::string& mode) {
                const auto m = modeOf(mode);
                std::lock_guard lock(w.mutex);
                w.simulation.setMode(m);
            },
            "\"classic\" or \"shortest\"; setting it re-plans every agent still following a path.")
        .def("step",
             [](PyWorld& w, int steps) {
                 std::lock_guard lock(w.mutex);
                 w.simulation.step(steps);
             },
             py::arg("steps") = 1, py::call_guard<py::gil_scoped_release>(),
             "Runs that many steps without holding the interpreter's lock.")
        .def_property_readonly("steps_run", [](PyWorld& w) { std::lock_guard lock(w.mutex); return w.simulation.stepsRun(); })
        .def("__len__", [](PyWorld& w) { std::lock_guard lock(w.mutex); return w.simulation.agentCount(); })
        .def("agent", [](PyWorld& w, int i) { std::lock_guard lock(w.mutex); return agentDict(w.simulation.agent(i)); },
             py::arg("index"))
        .def_property_readonly("positions", [](PyWorld& w) { std::lock_guard lock(w.mutex); return view(w.simulation.positions()); },
                               "(n, 2) read-only view of the agents' centres, updated by each step while n stays.")
        .def_property_readonly("velocities", [](PyWorld& w) { std::lock_guard lock(w.mutex); return view(w.simulation.velocities()); },
                               "(n, 2) read-only view of the agents' velocities (world units per step).")
        .def("plan_path",
             [](PyWorld& w, const py::sequence& from, const py::sequence& to, const std::string& mode, double clearance) {
                 const auto a = pointOf(from, "from");
                 const auto b = pointOf(to, "to");
                 const auto m = modeOf(mode);
                 std::lock_guard lock(w.mutex);
                 py::list out;
                 for (const auto& p : w.simulation.planPath(m, a, b, clearance)) out.append(py::make_tuple(p.x, p.y));
                 return out;
             },
             py::arg("start"), py::arg("end"), py::arg("mode") = "classic", py::arg("clearance") = 0.0,
             "Waypoints [(x, y), ...] ending at the destination; [] when no path exists.")
        .def_property_readonly("is_scenario", [](PyWorld& w) { return w.simulation.isScenario(); })
        .def_property_readonly("finished", [](PyWorld& w) { std::lock_guard lock(w.mutex); return w.simulation.finished(); })
        .def("run_to_end",
             [](PyWorld& w) {
                 std::lock_guard lock(w.mutex);
                 return w.simulation.runToEnd();
             },
             py::call_guard<py::gil_scoped_release>(), "Steps a test case until it is over; returns the steps run.")
        .def("scores", [](PyWorld& w) { std::lock_guard lock(w.mutex); return scoresDict(w.simulation.scores()); },
             "The test case's scores so far as a dict (times in seconds, None for never).");

    m.def("run_scenario",
          [](const std::string& path, const std::string& mode, std::uint32_t seed, bool keepArrived) {
              steering::api::Scores scores;
              {
                  py::gil_scoped_release release;
                  Simulation s = Simulation::fromScenarioFile(path, modeOf(mode), seed, keepArrived);
                  s.runToEnd();
                  scores = s.scores();
              }
              return scoresDict(scores);
          },
          py::arg("path"), py::arg("mode") = "classic", py::arg("seed") = 1, py::arg("keep_arrived") = false,
          "Runs a test case to its end and returns its scores.");
}
